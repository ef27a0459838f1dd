#include "program_monitor.h"

#include "qstring_print.h"

#include <QLocale>

#include <gtest/gtest.h>

#include <ostream>
#include <string>

namespace zentor {
namespace {

struct SendCase {
    const char* text;
    int value; // -1: refused
    bool breakRefusal;
};

void PrintTo(const SendCase& c, std::ostream* os) {
    *os << '"' << c.text << '"';
}

class ProgramMonitorSend : public testing::TestWithParam<SendCase> {};

TEST_P(ProgramMonitorSend, TakesBytesButNeverTheBreak) {
    const SendCase& c = GetParam();
    const SendByte parsed = parseSendByte(QString::fromUtf8(c.text));
    EXPECT_EQ(parsed.value.value_or(-1), c.value);
    if (c.value >= 0)
        EXPECT_TRUE(parsed.refusal.isEmpty());
    else
        EXPECT_EQ(parsed.refusal, c.breakRefusal ? sendBreakRefusal() : sendRangeRefusal());
}

INSTANTIATE_TEST_SUITE_P(Program, ProgramMonitorSend,
                         testing::Values(SendCase{"0", 0, false}, SendCase{" 65 ", 65, false},
                                         SendCase{"255", 255, false}, SendCase{"26", 26, false},
                                         SendCase{"27", -1, true}, SendCase{"027", -1, true},
                                         SendCase{"256", -1, false}, SendCase{"-1", -1, false},
                                         SendCase{"", -1, false}, SendCase{"x", -1, false},
                                         SendCase{"1.5", -1, false}));

TEST(ProgramMonitorLog, RowsAndCopyUseTheLocaleAndKeepTheNewest) {
    const QLocale previous;
    QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
    MonitorLog log;
    log.append({1250, 17});
    log.append({62000, 255});
    EXPECT_EQ(MonitorLog::rowText(log.bytes().front()), "1,25 s: 17");
    EXPECT_EQ(log.copyText(), "Zeit (s)\tWert\n1,25\t17\n62,00\t255\n");

    for (int k = 0; k < MonitorLog::kCapacity; ++k)
        log.append({70000 + k, k % 256});
    EXPECT_EQ(log.bytes().size(), MonitorLog::kCapacity);
    EXPECT_EQ(log.bytes().front().milliseconds, 70000);
    QLocale::setDefault(previous);
}

} // namespace
} // namespace zentor
