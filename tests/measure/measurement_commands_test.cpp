// The measurement entries of "&Datei" in the whole window: which pages offer
// them, the files they write, opening a measurement from another page, and
// the error boxes for files that cannot be written or read.
#include "amm.h"
#include "comphard.h"
#include "dialogs.h"
#include "direct_page.h"
#include "link_wait.h"
#include "locale_scope.h"
#include "logger_page.h"
#include "measurement_commands.h"
#include "measurement_csv.h"
#include "program_file.h"
#include "program_page.h"
#include "recorder_page.h"
#include "scope_page.h"
#include "tform1.h"

#include <QAction>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QMenu>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTimer>

#include <gtest/gtest.h>

#include <memory>
#include <vector>

using zentor::MeasurementCommands;

namespace {

class MeasurementMenu : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(configHome.isValid());
        qputenv("XDG_CONFIG_HOME", configHome.path().toLocal8Bit());
        previousBoxes = dialogs::setHandler([this](QWidget*, const dialogs::Request& r) {
            boxes.push_back(r);
            return QMessageBox::Ok;
        });
        previousFiles = MeasurementCommands::setFileDialogHandler(
            [this](QWidget*, const MeasurementCommands::FileRequest& request) {
                requests.push_back(request);
                return choice;
            });
        window = std::make_unique<TForm1>();
        window->show();
        boxes.clear(); // the first-start hint
    }

    void TearDown() override {
        window->Timer1->stop();
        window->Timer2->stop();
        window.reset();
        testing_support::onLink(comphard::ClosePort);
        dialogs::setHandler(previousBoxes);
        MeasurementCommands::setFileDialogHandler(previousFiles);
    }

    QString path(const QString& name) const { return files.filePath(name); }

    static QByteArray contents(const QString& file) {
        return zentor::readFileBytes(file).value_or(QByteArray());
    }

    zentor::test::LocaleScope locale{zentor::test::german()};
    QTemporaryDir configHome;
    QTemporaryDir files;
    std::vector<dialogs::Request> boxes;
    std::vector<MeasurementCommands::FileRequest> requests;
    MeasurementCommands::FileChoice choice;
    dialogs::Handler previousBoxes;
    MeasurementCommands::FileDialogHandler previousFiles;
    std::unique_ptr<TForm1> window;
};

TEST_F(MeasurementMenu, EntriesFollowThePageShown) {
    struct Row {
        QWidget* page;
        bool values; // "Messung speichern", "Messwerte exportieren", once measured
        bool picture;
    };
    const Row rows[] = {
        {window->TabSheet1, false, false}, {window->TabSheet2, false, true},
        {window->TabSheet3, true, true},   {window->TabSheet6, true, true},
        {window->TabSheet8, true, true},   {window->TabSheet4, false, false},
    };
    // Nothing to save before anything was measured; a measurement that
    // arrives while the page is shown is seen when the menu opens.
    for (const bool measured : {false, true}) {
        if (measured) {
            window->PageControl1->setCurrentWidget(window->TabSheet8);
            window->TabSheet3->setMeasuredAt(QDateTime::currentDateTime());
            ASSERT_TRUE(window->TabSheet6->loadRecording({{128, 0}, {130, 20}}, QDateTime()));
            window->TabSheet8->setMeasuredAt(QDateTime());
            emit window->Beenden1->aboutToShow();
            EXPECT_TRUE(window->MessungSpeichern1->isEnabled());
        }
        for (const Row& row : rows) {
            window->PageControl1->setCurrentWidget(row.page);
            const QString name =
                window->PageControl1->tabText(window->PageControl1->currentIndex());
            const bool values = row.values && measured;
            EXPECT_EQ(window->MessungSpeichern1->isEnabled(), values) << name.toStdString();
            EXPECT_EQ(window->MesswerteExportieren1->isEnabled(), values) << name.toStdString();
            EXPECT_EQ(window->DiagrammBild1->isEnabled(), row.picture) << name.toStdString();
            EXPECT_TRUE(window->MessungOeffnen1->isEnabled()) << name.toStdString();
        }
    }
}

TEST_F(MeasurementMenu, ExportWritesEverySampleAsCsv) {
    ScopePage& scope = *window->TabSheet8;
    scope.ScopeValues.fill(51);
    scope.setMeasuredAt(QDateTime());
    window->PageControl1->setCurrentWidget(&scope);
    choice.path = path(QStringLiteral("werte")); // the suffix is added
    window->MesswerteExportieren1->trigger();

    ASSERT_EQ(requests.size(), 1u);
    EXPECT_EQ(requests[0].kind, MeasurementCommands::FileKind::ExportValues);
    EXPECT_EQ(requests[0].suggestedName, QStringLiteral("Oszilloskop.csv"));
    const QByteArray bytes = contents(path(QStringLiteral("werte.csv")));
    EXPECT_EQ(bytes.count("\r\n"), 1 + zentor::kScopeSampleCount); // every sample
    EXPECT_TRUE(bytes.startsWith("\xEF\xBB\xBFt in ms;U in V\r\n0;1,000\r\n1;1,000\r\n"));
    EXPECT_EQ(window->statusText(), QStringLiteral("Messwerte gespeichert: werte.csv"));
    EXPECT_TRUE(boxes.empty());
}

TEST_F(MeasurementMenu, AFileThatCannotBeWrittenIsNamedInAnErrorBox) {
    QFile blocker(path(QStringLiteral("keinOrdner")));
    ASSERT_TRUE(blocker.open(QIODevice::WriteOnly)); // a file where a folder would have to be
    blocker.close();
    window->TabSheet8->setMeasuredAt(QDateTime());
    window->PageControl1->setCurrentWidget(window->TabSheet8);
    window->setStatusText(QStringLiteral("vorher"));
    choice.path = path(QStringLiteral("keinOrdner/werte.csv"));
    window->MesswerteExportieren1->trigger();

    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].kind, dialogs::Kind::Error);
    EXPECT_EQ(boxes[0].text, QStringLiteral("Die Datei \"%1\" kann nicht gespeichert werden.\n"
                                            "Ein Teil des Pfades ist kein Ordner.")
                                 .arg(choice.path));
    EXPECT_EQ(window->statusText(), QStringLiteral("vorher"));
}

TEST_F(MeasurementMenu, MeterPictureAtTwiceTheScreenResolution) {
    window->PageControl1->setCurrentWidget(window->TabSheet2);
    window->Timer1->stop(); // no poll: the port is not open
    choice.path = path(QStringLiteral("messgeraet.png"));
    choice.highResolution = true;
    window->DiagrammBild1->trigger();

    ASSERT_EQ(requests.size(), 1u);
    EXPECT_EQ(requests[0].suggestedName, QStringLiteral("Direkt.png"));
    const QImage picture = QImage::fromData(contents(choice.path), "PNG");
    EXPECT_EQ(picture.size(), window->TabSheet2->Anal1->size() * 2);
    EXPECT_TRUE(boxes.empty());
}

TEST_F(MeasurementMenu, MeasurementOpensOnItsOwnPage) {
    LoggerPage& logger = *window->TabSheet3;
    logger.loggerValues().fill(200);
    logger.setMeasuredAt(QDateTime());
    logger.ComboBox16->setCurrentIndex(2);
    logger.ComboBox17->setCurrentIndex(zentor::kLoggerInputDigital);
    const QStringList shown = logger.copyLines();
    window->PageControl1->setCurrentWidget(&logger);
    choice.path = path(QStringLiteral("logger.zmess"));
    window->MessungSpeichern1->trigger();
    EXPECT_EQ(requests.back().kind, MeasurementCommands::FileKind::SaveMeasurement);

    logger.loggerValues().fill(0);
    logger.ComboBox16->setCurrentIndex(0);
    logger.ComboBox17->setCurrentIndex(zentor::kLoggerInputAnalog);
    window->PageControl1->setCurrentWidget(window->TabSheet4);
    window->MessungOeffnen1->trigger();

    EXPECT_EQ(requests.back().kind, MeasurementCommands::FileKind::OpenMeasurement);
    EXPECT_EQ(window->PageControl1->currentWidget(), &logger);
    EXPECT_EQ(logger.copyLines(), shown);
    EXPECT_EQ(logger.ComboBox16->currentIndex(), 2);
    EXPECT_EQ(logger.ComboBox17->currentIndex(), zentor::kLoggerInputDigital);
    EXPECT_EQ(window->statusText(), QStringLiteral("Messung geöffnet: logger.zmess"));
    EXPECT_TRUE(boxes.empty());

    // Given on the command line, the file opens at start as from the menu.
    TForm1::StartOptions options;
    options.measurementFile = choice.path;
    window = std::make_unique<TForm1>(options);
    window->show();
    testing_support::waitForLink(); // the file opens once the board has been looked for
    EXPECT_EQ(window->PageControl1->currentWidget(), window->TabSheet3);
    EXPECT_EQ(window->TabSheet3->copyLines(), shown);
    EXPECT_EQ(window->statusText(), QStringLiteral("Messung geöffnet: logger.zmess"));
}

TEST_F(MeasurementMenu, ADamagedFileIsRefusedAndChangesNothing) {
    choice.path = path(QStringLiteral("kaputt.zmess"));
    ASSERT_TRUE(zentor::writeFileAtomically(choice.path, "[Messung]\r\nFormat=1\r\nSeite=Oszi"));
    window->TabSheet8->ScopeValues.fill(9);
    window->PageControl1->setCurrentWidget(window->TabSheet4);
    window->MessungOeffnen1->trigger();

    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].kind, dialogs::Kind::Error);
    EXPECT_TRUE(boxes[0].text.startsWith(
        QStringLiteral("Die Datei \"%1\" kann nicht geöffnet werden.\n").arg(choice.path)));
    EXPECT_TRUE(boxes[0].text.endsWith(QStringLiteral("Der Abschnitt [Werte] fehlt.")));
    EXPECT_EQ(window->PageControl1->currentWidget(), window->TabSheet4);
    EXPECT_EQ(window->TabSheet8->ScopeValues[0], 9);

    boxes.clear();
    choice.path = path(QStringLiteral("gibtEsNicht.zmess"));
    window->MessungOeffnen1->trigger();
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_TRUE(boxes[0].text.contains(choice.path));
}

TEST_F(MeasurementMenu, NothingOpensWhileTheLoggerCountsDown) {
    window->PageControl1->setCurrentWidget(window->TabSheet3);
    window->Timer2->start();
    window->MessungOeffnen1->trigger();
    EXPECT_TRUE(requests.empty());
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].kind, dialogs::Kind::Error);
}

TEST_F(MeasurementMenu, CancelledDialogsWriteNothing) {
    ASSERT_TRUE(window->TabSheet6->loadRecording({{128, 0}}, QDateTime()));
    window->PageControl1->setCurrentWidget(window->TabSheet6);
    choice.path.clear();
    for (QAction* entry : {window->MessungSpeichern1, window->MesswerteExportieren1,
                           window->DiagrammBild1, window->MessungOeffnen1})
        entry->trigger();
    EXPECT_EQ(requests.size(), 4u);
    EXPECT_TRUE(QDir(files.path()).isEmpty());
    EXPECT_TRUE(boxes.empty());
}

} // namespace
