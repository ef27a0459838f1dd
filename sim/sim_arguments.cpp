#include "sim_arguments.h"

#include <charconv>
#include <cstdlib>
#include <optional>

namespace zentor::sim {

namespace {

std::optional<long long> wholeNumber(const std::string& text, long long low, long long high) {
    long long value = 0;
    const char* end = text.data() + text.size();
    const auto [ptr, ec] = std::from_chars(text.data(), end, value);
    if (ec != std::errc{} || ptr != end || value < low || value > high)
        return std::nullopt;
    return value;
}

std::optional<double> realNumber(const std::string& text, double low, double high) {
    if (text.empty())
        return std::nullopt;
    char* end = nullptr;
    const double value = std::strtod(text.c_str(), &end);
    if (end != text.c_str() + text.size() || !(value >= low && value <= high))
        return std::nullopt;
    return value;
}

} // namespace

std::string usageText() {
    return "Aufruf: zentor-sim [OPTION]...\n"
           "Simuliert die Zentor-Platine an einem Pseudo-Terminal, gibt dessen Gerätepfad\n"
           "aus und läuft, bis es unterbrochen wird (Strg+C).\n"
           "\n"
           "  --link PFAD              zusätzlich einen symbolischen Link PFAD auf das Gerät\n"
           "  --no-pacing              sofort antworten statt mit 1200 Baud\n"
           "  --speed F                den Takt der Platine F-mal schneller (0.01..100000)\n"
           "  --analog ROH             Analogeingang fest (0..255, Volt x 51)\n"
           "  --din W                  Digitaleingang fest (0..255, Bit 0 ist Din)\n"
           "  --pins W                 die sechs Porteingänge fest (0..63)\n"
           "  --loopback               der Analogeingang liest den PWM-Ausgang\n"
           "  --silent                 nie antworten\n"
           "  --wrong-complements R    einen Anteil R (0..1) der Komplement-Bytes verfälschen\n"
           "  --drop-every N           jedes N-te Byte der Platine verwerfen\n"
           "  --bad-cell K[:always]    Speicherzelle K liest einmal (oder immer) falsch zurück\n"
           "  --unplug-after N         das Gerät beim N-ten empfangenen Byte schließen\n"
           "  --seed S                 Startwert der verfälschten Komplemente (Vorgabe 1)\n"
           "  --trace                  jedes Byte hin und zurück mit seiner Zeit ausgeben\n"
           "  -h, --help               diesen Text zeigen\n"
           "      --version            die Version zeigen\n";
}

CommandLine parseCommandLine(const std::vector<std::string>& arguments) {
    CommandLine result;
    BoardOptions& board = result.runner.board;
    auto refuse = [&result](const std::string& why) {
        result.error = why;
        return result;
    };

    for (std::size_t i = 0; i < arguments.size(); ++i) {
        const std::string& option = arguments[i];
        auto value = [&]() -> std::optional<std::string> {
            if (i + 1 >= arguments.size())
                return std::nullopt;
            return arguments[++i];
        };
        auto needs = [&option](const char* what) { return option + " needs " + what; };

        if (option == "-h" || option == "--help") {
            result.help = true;
        } else if (option == "--version") {
            result.version = true;
        } else if (option == "--trace") {
            result.trace = true;
        } else if (option == "--no-pacing") {
            board.pacing = false;
        } else if (option == "--loopback") {
            board.pwmLoopback = true;
        } else if (option == "--silent") {
            board.faults.silent = true;
        } else if (option == "--link") {
            const auto text = value();
            if (!text || text->empty())
                return refuse(needs("a path"));
            result.runner.symlinkPath = *text;
        } else if (option == "--speed") {
            const auto text = value();
            const auto speed = text ? realNumber(*text, 0.01, 100000.0) : std::nullopt;
            if (!speed)
                return refuse(needs("a factor from 0.01 to 100000"));
            board.speed = *speed;
        } else if (option == "--analog" || option == "--din" || option == "--pins") {
            const long long high = option == "--pins" ? 63 : 255;
            const auto text = value();
            const auto number = text ? wholeNumber(*text, 0, high) : std::nullopt;
            if (!number)
                return refuse(needs(high == 63 ? "a value from 0 to 63" : "a value from 0 to 255"));
            const int v = static_cast<int>(*number);
            if (option == "--analog")
                board.inputs.analog = v;
            else if (option == "--din")
                board.inputs.digital = v;
            else
                board.inputs.portPins = v;
        } else if (option == "--wrong-complements") {
            const auto text = value();
            const auto rate = text ? realNumber(*text, 0.0, 1.0) : std::nullopt;
            if (!rate)
                return refuse(needs("a share from 0 to 1"));
            board.faults.wrongComplementRate = *rate;
        } else if (option == "--drop-every" || option == "--unplug-after") {
            const auto text = value();
            const auto number = text ? wholeNumber(*text, 1, 1'000'000'000) : std::nullopt;
            if (!number)
                return refuse(needs("a count of at least 1"));
            (option == "--drop-every" ? board.faults.dropEvery : board.faults.unplugAfter) =
                static_cast<int>(*number);
        } else if (option == "--seed") {
            const auto text = value();
            const auto number = text ? wholeNumber(*text, 0, 4294967295LL) : std::nullopt;
            if (!number)
                return refuse(needs("a number from 0 to 4294967295"));
            board.faults.seed = static_cast<std::uint32_t>(*number);
        } else if (option == "--bad-cell") {
            const auto text = value();
            if (!text)
                return refuse(needs("a cell number"));
            std::string cell = *text;
            bool always = false;
            const std::size_t colon = cell.find(':');
            if (colon != std::string::npos) {
                const std::string how = cell.substr(colon + 1);
                if (how != "always" && how != "once")
                    return refuse(option + ": after the colon comes \"once\" or \"always\"");
                always = how == "always";
                cell.resize(colon);
            }
            const auto number = wholeNumber(cell, 0, board::kMemoryCells - 1);
            if (!number)
                return refuse(needs("a cell number from 0 to 127"));
            board.faults.badCell = BadCell{static_cast<int>(*number), always};
        } else {
            return refuse("unknown option " + option);
        }
    }
    return result;
}

} // namespace zentor::sim
