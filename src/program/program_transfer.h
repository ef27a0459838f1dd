// The "Ausführen" group of the "Programm" page: Send && Start, Start, Stop,
// Break, Continue and the read-back of the board's memory.
//
// ProgramTransfer holds the logic. Every method talks to the board through
// comphard on the calling thread and blocks until it is done: from some
// 20 ms (Break) to several seconds (a silent board, a long upload). Progress
// and outcome go out through TransferView; nothing is thrown, failures end
// as status texts.
//
// The page owns one instance for the whole run and calls its methods on the
// link thread only, one exchange at a time, through a ReportingTransferView
// whose reports the page shows on its WidgetTransferView:
//
//     ReportingTransferView reporting;       // link thread
//     ProgramTransfer transfer{reporting};
//     Link::run(... transfer.B1() ...).reports(page, showReport on widgets)
//
//     ButtonSend  -> sendable(codeList(), ok, widgets) on the GUI thread,
//                    then transfer.ButtonSendClick(code, ok)  (cancellable)
//     ButtonRUN   -> transfer.ButtonRUNClick()                (cancellable)
//     B1          -> transfer.B1()                            (cancellable)
//     Button15    -> transfer.Button15Click()
//     Button16    -> transfer.Button16Click()
//     ButtonDiss  -> transfer.ButtonDissClick()               (cancellable)
//                    and on the GUI thread install(*result)
//
// where install() puts r->disassembly.listing into ListBox1, resets the label
// pool and runs LabelUpdate on the new listing, and compiles it (which fills
// Listcode anew and shows the free-byte count).
#pragma once

#include "disassembler.h"
#include "link.h"

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <optional>

class QProgressBar;
class QWidget;
class Shell;

namespace zentor {

// What the transfer shows and asks of the window. Implemented by the page
// (WidgetTransferView below does it with the shell and a progress bar) and
// by tests.
class TransferView {
public:
    virtual ~TransferView() = default;

    // The status bar: replaces the previous text.
    virtual void setStatusText(const QString& text) = 0;
    // ProgressBar2. The transfer sets the maximum before it sets positions
    // up to that maximum; the minimum stays 0.
    virtual void setProgressMaximum(int maximum) = 0;
    virtual void setProgressPosition(int position) = 0;
    // An error box: caption "Fehler", error icon, OK button.
    virtual void showError(const QString& text) = 0;
    // The system's default beep (a refused action).
    virtual void beep() = 0;
    // Called after status texts and progress positions change, for a view
    // that must repaint by hand; the window's views paint by themselves.
    virtual void repaintNow() = 0;
    // The configured read time-out in ms ("MAXTimeout"), given to the link
    // by Start.
    virtual int maxTimeout() const = 0;
};

// The view of the real page, on the GUI thread: status text and time-out
// through the shell, the progress bar given, error boxes and the beep through
// dialogs::. Nothing is owned; all must outlive the view.
class WidgetTransferView final : public TransferView {
public:
    WidgetTransferView(Shell& shell, QProgressBar* progressBar, QWidget* dialogParent);

    void setStatusText(const QString& text) override;
    void setProgressMaximum(int maximum) override;
    void setProgressPosition(int position) override;
    void showError(const QString& text) override;
    void beep() override;
    void repaintNow() override;
    int maxTimeout() const override;

private:
    Shell& m_shell;
    QProgressBar* m_progressBar;
    QWidget* m_dialogParent;
    int m_position = 0;  // the transfer's own position; the bar may lag behind
    bool m_lags = false; // the bar has not been given m_position yet
};

// The view of a transfer that runs on the link thread: every call becomes
// a report of the running exchange (Link::report), which reaches the page
// that started it, if it still exists. It holds no pointer to the page.
// repaintNow does nothing: the window paints by itself.
class ReportingTransferView final : public TransferView {
public:
    // At the start of each exchange: the time-out maxTimeout() gives during
    // it (read on the GUI thread when the exchange was started).
    void beginExchange(int maxTimeout);

    void setStatusText(const QString& text) override;
    void setProgressMaximum(int maximum) override;
    void setProgressPosition(int position) override;
    void showError(const QString& text) override;
    void beep() override;
    void repaintNow() override {}
    int maxTimeout() const override { return m_maxTimeout; }

private:
    int m_maxTimeout = 0;
};

// On the GUI thread: shows a report of ReportingTransferView on the view.
void showReport(const ExchangeReport& report, TransferView& view);

// How Send && Start and Start ended on the line.
enum class TransferOutcome {
    Refused,      // nothing to send, or too long: no byte on the line
    NoAnswer,     // the presence check failed
    UploadFailed, // the board stopped answering the upload
    VerifyFailed, // the memory did not come back whole: not started
    Started,      // the start frame went out (a failed repair included)
    Cancelled,    // given up before the upload began: the board holds what it held
    // Given up after the upload: the board holds the whole new program,
    // not checked and not started.
    CancelledAfterUpload,
};

// The result of a successful read-back.
struct ReadBackResult {
    // The 128 cells as read from the board.
    QByteArray memory;
    // The memory turned into a listing: listing lines for ListBox1, code
    // lines (the compiler's form) and the label lines used; see
    // disassembler.h for where the program ends and how labels are named.
    Disassembly disassembly;
};

class ProgramTransfer {
public:
    explicit ProgramTransfer(TransferView& view);

    // The refusals of Send && Start below, which need no byte on the line:
    // true when the code list may go to the board. Also puts the progress
    // back to 0.
    static bool sendable(const QStringList& codeList, bool lastCompileOk, TransferView& view);

    // "&Send && Start". codeList is the code list of the last compilation
    // (Listcode); lastCompileOk is false when that compilation stopped at a
    // line it could not read, whose code list is partial and unpatched.
    //
    // Refuses, without a byte on the line:
    //  - a failed compilation: status "Programm fehlerhaft, nicht gesendet."
    //    and a beep;
    //  - an empty code list: status "Kein Programm zum Senden.";
    //  - more than 124 bytes: error box "Programm zu lang!".
    // Otherwise: presence check ("Controler antwortet nicht!" in the status
    // bar when it fails), upload of the bytes with one answer byte per byte
    // ("Programm wird übertragen ..."), read-back of all 128 cells
    // ("Überprüfung..."), rewriting of single wrong cells when fewer than 50
    // differ, and the start. The last status text is "Programm gestartet",
    // or "Übertragungsfehler!" when a rewritten cell stayed wrong (the
    // program is started all the same). An upload without answer ends with
    // "Übertragungsfehler beim Senden!", a verification without answer with
    // "LeseTimeout-Übertragungsfehler."; neither starts the program.
    // The stopped flag is cleared only when the start command went out.
    //
    // A cancel of the exchange (comphard's cancel) never cuts the upload
    // frame: it ends the transfer before the upload or after it, and no
    // status text is set for it; the outcome says which.
    TransferOutcome ButtonSendClick(const QStringList& codeList, bool lastCompileOk);
    // The same with the flag recorded by setLastCompileOk().
    TransferOutcome ButtonSendClick(const QStringList& codeList);
    // Records the outcome of the page's last compilation (true until told
    // otherwise); the page calls it after every compilation.
    void setLastCompileOk(bool ok) { m_lastCompileOk = ok; }
    bool lastCompileOk() const { return m_lastCompileOk; }

    // "St&art": sets the read time-out to maxTimeout(), brings the board into
    // step and starts the stored program ("Programm gestartet", stopped flag
    // cleared); "Controler antwortet nicht!" and nothing sent when the
    // presence check fails.
    TransferOutcome ButtonRUNClick();

    // "St&op": resynchronises the board (its outcome is not examined);
    // status "Programm gestoppt"; stopped flag set. False, without a status
    // text, when a cancel ended the resync.
    bool B1();

    // "&Break": a lone ESC, one answer byte dropped. Status
    // "Programm unterbrochen" unless the stopped flag is set.
    void Button15Click();

    // "&Continue": a lone 0, two answer bytes dropped. Status
    // "Programm fortgesetzt" unless the stopped flag is set.
    void Button16Click();

    // "&Read": Stop (B1), drop what the board still sends, read the 128
    // cells ("Lese Daten ...", then "OK. Programm ausgelesen.") and
    // disassemble them. Returns nothing, with the status text saying why,
    // when the dump fails ("LeseTimeout-Übertragungsfehler." or
    // "Übertragungsfehler!") or when the board does not stop sending after
    // the Stop ("Controler sendet ununterbrochen, nichts ausgelesen."); the
    // caller then keeps its listing. The board is left stopped either way.
    std::optional<ReadBackResult> ButtonDissClick();

    // The stopped flag: set by Stop (and so by the read-back), cleared by
    // Start and by a Send && Start that sent the start command. False at
    // first. It only decides whether Break and Continue report.
    bool stopped() const { return m_stopped; }

private:
    TransferView& m_view;
    bool m_stopped = false;
    bool m_lastCompileOk = true;
};

} // namespace zentor
