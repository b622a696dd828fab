#include "E2eSession.h"
#include "StatusLag.h"

#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>

#include <cstdio>

namespace {

// CPE 0 ranging, CPEs 1 and 3 locked with a line in use each, CPE 2 absent; settled before the first poll.
const QStringList kLineCardScript =
    QStringList{"100 ranging 0", "100 rssi 0 40",    "100 ranging 1", "100 rssi 1 120",
                "150 locked 1",  "150 hook 1 1 off", "100 ranging 3", "100 rssi 3 200",
                "150 locked 3",  "150 ring 3 0 on",  "100 temp -10"} +
    RepeatedAction("sfd 1 7") + RepeatedAction("sfd 3 300");

// The CPE's own link: locked, line 1 off hook, line 2 ringing.
const QStringList kCpeScript = QStringList{"100 ranging 0",    "100 rssi 0 77",   "150 locked 0",
                                           "150 hook 0 0 off", "150 ring 0 1 on", "100 temp 23"} +
                               RepeatedAction("sfd 0 5");

// EEPROM: SFD 200 at location 0, the given byte at 4, V35 channel 2 at 5; the rest erased.
QByteArray EepromImage(char location4) {
    QByteArray image(256, '\xFF');
    image[0] = '\xC8';
    image[4] = location4;
    image[5] = '\x02';
    return image;
}

const QStringList kCpe1Status = {"Locked", "120", "7", "ON HOOK", "RING OFF", "OFF HOOK", "RING OFF"};
const QStringList kCpe3Status = {"Locked", "200", "300", "ON HOOK", "RING ON", "ON HOOK", "RING OFF"};

class E2ePoll : public E2eSession {
  protected:
    // A scripted board with its own EEPROM, the scheduler sped up, and the application detected. The board is
    // on a USB serial adapter at the line rate, so its replies arrive several lines to a piece.
    void ConnectScripted(const char* app, const QStringList& script, char location4, const char* switchByte,
                         const QString& programText) {
        SpeedUpScheduler();
        ASSERT_NO_FATAL_FAILURE(Connect(
            {"--app", app, "--script", Board.WriteFile("net.txt", ScriptText(script)), "--eeprom-file",
             Board.WriteFile("eeprom.bin", EepromImage(location4)), "--switch-byte", switchByte, "--rate",
             "5760", "--adapter-latency", "16"}));
        ASSERT_TRUE(WaitForProgram(programText));
    }

    // The seven status fields once they show `expected` (the first cycle's one-time reads have been
    // answered).
    testing::AssertionResult WaitForStatus(const QStringList& expected) {
        if (WaitFor([&] { return StatusFields() == expected; }, kPollTimeoutMs)) {
            return testing::AssertionSuccess();
        }
        return testing::AssertionFailure() << "status shows " << StatusFields().join(" | ").toStdString();
    }

    void SelectCpe(int cpe) { Window.CpeSelect->setCurrentIndex(cpe); }

    void ExpectSettingsReadBack(const QString& generic) {
        EXPECT_TRUE(WaitForText(Window.SfdText, "200", kPollTimeoutMs));
        EXPECT_TRUE(WaitForSelection(Window.GenericSelect, generic, kPollTimeoutMs));
        EXPECT_TRUE(WaitForSelection(Window.V35Select, "CHANNEL 2", kPollTimeoutMs));
        EXPECT_FALSE(Window.SfdButton->isEnabled());
        EXPECT_FALSE(Window.GenericButton->isEnabled());
        EXPECT_FALSE(Window.V35Button->isEnabled());
    }
};

TEST_F(E2ePoll, LineCardCycleFillsEveryField) {
    ASSERT_NO_FATAL_FAILURE(ConnectScripted("linecard", kLineCardScript, '\x06', "2D", "LINE CARD APP"));
    SelectCpe(3);

    EXPECT_TRUE(WaitForStatus(kCpe3Status));
    EXPECT_TRUE(WaitForText(Window.ApplicationText, "Line Card App 4.12", kPollTimeoutMs));
    EXPECT_EQ(Window.BootLoaderText->text(), "Boot Loader 1.03");
    EXPECT_EQ(Window.FirmwareText->text(), "FPGA 2.07");
    // Switch byte 2D: time slot 2, CDMA code 3, RF channel 1.
    EXPECT_EQ(Window.FrequencyText->text(), "1");
    EXPECT_EQ(Window.CdmaText->text(), "3");
    EXPECT_EQ(Window.TimeSlotText->text(), "2");
    EXPECT_TRUE(WaitForText(Window.TemperatureText, "-10", kPollTimeoutMs));
    EXPECT_EQ(Window.BattVoltText->text(), "??");  // no reply is read into it
    ExpectSettingsReadBack("T1 & 12 KHz Tone");
    EXPECT_EQ(Prompts.Warnings, QStringList());
}

// Each CPE keeps its own status; choosing one shows its record in all seven fields at once.
TEST_F(E2ePoll, CpeSelectionShowsEachStoredCpe) {
    ASSERT_NO_FATAL_FAILURE(ConnectScripted("linecard", kLineCardScript, '\x06', "2D", "LINE CARD APP"));
    SelectCpe(1);
    ASSERT_TRUE(WaitForStatus(kCpe1Status));
    SelectCpe(3);
    ASSERT_TRUE(WaitForStatus(kCpe3Status));

    SelectCpe(0);
    EXPECT_EQ(StatusFields(),
              QStringList({"Ranging", "40", "", "ON HOOK", "RING OFF", "ON HOOK", "RING OFF"}));
    SelectCpe(2);
    EXPECT_EQ(StatusFields(),
              QStringList({"Acquisition", "0", "", "ON HOOK", "RING OFF", "ON HOOK", "RING OFF"}));
    SelectCpe(1);
    EXPECT_EQ(StatusFields(), kCpe1Status);
    SelectCpe(3);
    EXPECT_EQ(StatusFields(), kCpe3Status);
}

TEST_F(E2ePoll, CpeCycleFillsEveryField) {
    ASSERT_NO_FATAL_FAILURE(ConnectScripted("cpe", kCpeScript, '\x01', "1B", "CPE APP"));

    EXPECT_TRUE(WaitForStatus({"Locked", "77", "5", "OFF HOOK", "RING OFF", "ON HOOK", "RING ON"}));
    EXPECT_TRUE(WaitForText(Window.ApplicationText, "CPE App 4.12", kPollTimeoutMs));
    EXPECT_EQ(Window.BootLoaderText->text(), "Boot Loader 1.03");
    EXPECT_EQ(Window.FirmwareText->text(), "FPGA 2.07");
    // Switch byte 1B: time slot 1, CDMA code 2, RF channel 3.
    EXPECT_EQ(Window.FrequencyText->text(), "3");
    EXPECT_EQ(Window.CdmaText->text(), "2");
    EXPECT_EQ(Window.TimeSlotText->text(), "1");
    EXPECT_TRUE(WaitForText(Window.TemperatureText, "23", kPollTimeoutMs));
    EXPECT_EQ(Window.BattVoltText->text(), "??");
    ExpectSettingsReadBack("Greater than 25 miles");
    EXPECT_EQ(Prompts.Warnings, QStringList());
}

// Debug output at the line rate through an adapter, for a minute: every event line is read in the piece that
// brings it, so the field follows the board however long the output goes on.
TEST(E2eStatusLag, EventLinesShowAtOnceUnderLineRateDebugOutput) {
    const StatusLagResult result = MeasureStatusLag({.Seconds = 60});
    ASSERT_TRUE(result.Started);
    std::printf("[ lag      ] %lld events, median %.1f ms, largest %.1f ms; %lld pieces, buffer peak %lld\n",
                static_cast<long long>(result.LagsMs.size()), Quantile(result.LagsMs, 0.5),
                Quantile(result.LagsMs, 1), static_cast<long long>(result.Pieces),
                static_cast<long long>(result.MostBuffered));
    EXPECT_GE(result.LagsMs.size(), 100);
    EXPECT_FALSE(result.LagsMs.contains(-1.0)) << "an event never showed";
    EXPECT_EQ(result.PiecesLeavingALine, 0);
    EXPECT_LE(Quantile(result.LagsMs, 0.9), 200.0);
    EXPECT_LE(Quantile(result.LagsMs, 1), 1000.0);
}

}  // namespace
