#include "app/GuiMain.h"
#include "app/Captions.h"
#include "app/TerminalView.h"

#include <QCloseEvent>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QTabWidget>


namespace {

constexpr int kTwipsPerPixel = 15;
const char* const kTwipsProperty = "twips";

QRect ToPixels(const QRect& twips) {
    return {twips.x() / kTwipsPerPixel, twips.y() / kTwipsPerPixel, twips.width() / kTwipsPerPixel,
            twips.height() / kTwipsPerPixel};
}

// Creates a control with its inventory name and geometry (twips, relative to its parent; for a control on a tab
// page, relative to the tab control: see PlaceTabPageControls).
template <typename Control>
Control* Make(QWidget* parent, const char* name, QRect twips) {
    auto* control = new Control(parent);
    control->setObjectName(QString::fromLatin1(name));
    GuiMain::SetTwips(control, twips);
    control->setGeometry(ToPixels(twips));
    return control;
}

QLabel* MakeLabel(QWidget* parent, const char* name, const QString& text, QRect twips) {
    auto* label = Make<QLabel>(parent, name, twips);
    label->setText(text);
    return label;
}

QPushButton* MakeButton(QWidget* parent, const char* name, const QString& text, QRect twips) {
    auto* button = Make<CaptionButton>(parent, name, twips);
    button->setText(text);
    return button;
}

QLineEdit* MakeField(QWidget* parent, const char* name, QRect twips, bool readOnly = true) {
    auto* field = Make<QLineEdit>(parent, name, twips);
    field->setReadOnly(readOnly);
    return field;
}

// Grey fields carry the background of an inactive window border.
QLineEdit* MakeGreyField(QWidget* parent, const char* name, QRect twips) {
    auto* field = MakeField(parent, name, twips);
    QPalette palette = field->palette();
    palette.setColor(QPalette::Base, palette.color(QPalette::Inactive, QPalette::Window));
    field->setPalette(palette);
    return field;
}

QComboBox* MakeList(QWidget* parent, const char* name, const QStringList& entries, QRect twips) {
    auto* list = Make<QComboBox>(parent, name, twips);
    list->addItems(entries);
    list->setCurrentIndex(-1);  // a list starts with no entry selected
    return list;
}

QGroupBox* MakeFrame(QWidget* parent, const char* name, const QString& caption, QRect twips) {
    auto* frame = Make<QGroupBox>(parent, name, twips);
    frame->setTitle(caption);
    return frame;
}

QFont ConsoleFont() {
    QFont font(QStringLiteral("Courier New"), 9);
    font.setStyleHint(QFont::TypeWriter);  // any monospace face where Courier New is missing
    font.setFixedPitch(true);
    return font;
}

}  // namespace

GuiMain::GuiMain(SerialPort& port, Prompts& prompts, QWidget* parent)
    : QWidget(parent), Session(port, *this, *this), Dialog(prompts) {
    setObjectName(QStringLiteral("GUI_Main"));
    setWindowTitle(QStringLiteral("Velmora GUI " VELMORA_VERSION));
    setFixedSize(7005 / kTwipsPerPixel, 5355 / kTwipsPerPixel);
    setFont(DialogFont());
    TerminalSyncTimer.setSingleShot(true);
    TerminalSyncTimer.setTimerType(Qt::PreciseTimer);
    CreateControls();
    ConnectHandlers();
}

GuiMain::~GuiMain() {
    if (!closed_) {
        Form_Unload();
    }
}

void GuiMain::CreateControls() {
    GUI_Tabs = Make<QTabWidget>(this, "GUI_Tabs", {120, 120, 6735, 4095});
    auto* configuration = new QWidget;
    auto* status = new QWidget;
    auto* terminal = new QWidget;
    GUI_Tabs->addTab(configuration, QStringLiteral("Configuration"));
    GUI_Tabs->addTab(status, QStringLiteral("Status"));
    GUI_Tabs->addTab(terminal, QStringLiteral("Terminal"));
    GUI_Tabs->setCurrentIndex(0);
    for (QWidget* page : {configuration, status, terminal}) {
        page->installEventFilter(this);
    }

    CommPortLabel = MakeLabel(this, "CommPortLabel", QStringLiteral("Comm Port Selection:"), {120, 4440, 1692, 252});
    CommPortSelect = MakeList(this, "CommPortSelect",
                              {QStringLiteral("COM1"), QStringLiteral("COM2"), QStringLiteral("COM3"),
                               QStringLiteral("COM4")},
                              {1800, 4440, 1692, 288});
    ProgramLabel = MakeLabel(this, "ProgramLabel", QStringLiteral("Active Program:"), {120, 4920, 1692, 252});
    ProgramText = MakeField(this, "ProgramText", {1800, 4920, 1692, 288});
    ExitButton = MakeButton(this, "ExitButton", QStringLiteral("Exit"), {4680, 4560, 1092, 492});

    // Configuration tab
    SoftwareConfig = MakeFrame(configuration, "SoftwareConfig", QStringLiteral("Software and Firmware Versions"),
                               {240, 360, 6252, 1452});
    SoftwareLabel = MakeLabel(SoftwareConfig, "SoftwareLabel", QStringLiteral("Software Versions:"),
                              {120, 360, 1452, 252});
    BootLoaderText = MakeGreyField(SoftwareConfig, "BootLoaderText", {1800, 360, 1812, 288});
    ApplicationText = MakeGreyField(SoftwareConfig, "ApplicationText", {3960, 360, 1812, 288});
    FirmwareLabel = MakeLabel(SoftwareConfig, "FirmwareLabel", QStringLiteral("Firmware Version:"),
                              {120, 840, 1452, 252});
    FirmwareText = MakeGreyField(SoftwareConfig, "FirmwareText", {1800, 840, 1812, 288});
    DownloadButton = MakeButton(SoftwareConfig, "DownloadButton", QStringLiteral("Program Download"),
                                {4320, 840, 1092, 492});

    OpConfig = MakeFrame(configuration, "OpConfig", QStringLiteral("Operational Configuration"),
                         {240, 1920, 6252, 2052});
    const QString rotary = QStringLiteral("Value defined by Rotary Switch");
    const QString dip = QStringLiteral("Value defined by DIP Switch");
    const QString eeprom = QStringLiteral("Value stored in EEPROM");
    FrequencyLabel = MakeLabel(OpConfig, "FrequencyLabel", QStringLiteral("RF Channel:"), {120, 360, 1092, 252});
    FrequencyText = MakeGreyField(OpConfig, "FrequencyText", {1080, 360, 492, 288});
    CdmaLabel = MakeLabel(OpConfig, "CdmaLabel", QStringLiteral("CDMA Code:"), {2040, 360, 1092, 252});
    CdmaText = MakeGreyField(OpConfig, "CdmaText", {3120, 360, 492, 288});
    TimeSlotLabel = MakeLabel(OpConfig, "TimeSlotLabel", QStringLiteral("Time Slot:"), {4080, 360, 972, 252});
    TimeSlotText = MakeGreyField(OpConfig, "TimeSlotText", {4920, 360, 492, 288});
    for (QWidget* control : std::initializer_list<QWidget*>{FrequencyLabel, FrequencyText, CdmaLabel, CdmaText}) {
        control->setToolTip(rotary);
    }
    TimeSlotLabel->setToolTip(dip);
    TimeSlotText->setToolTip(dip);

    SfdLabel = MakeLabel(OpConfig, "SfdLabel", QStringLiteral("SFD:"), {120, 960, 972, 252});
    SfdText = MakeField(OpConfig, "SfdText", {600, 960, 732, 288}, false);
    SfdButton = MakeButton(OpConfig, "SfdButton", QStringLiteral("Update SFD"), {1560, 840, 1092, 492});
    V35Label = MakeLabel(OpConfig, "V35Label", QStringLiteral("V35:"), {3360, 960, 852, 252});
    V35Select = MakeList(OpConfig, "V35Select",
                         {QStringLiteral("DISABLE"), QStringLiteral("CHANNEL 1"), QStringLiteral("CHANNEL 2")},
                         {3840, 960, 1812, 315});
    V35Button = MakeButton(OpConfig, "V35Button", QStringLiteral("Update V35"), {5040, 1440, 1092, 492});
    GenericLabel = MakeLabel(OpConfig, "GenericLabel", QStringLiteral("Generic:"), {120, 1560, 1332, 252});
    GenericSelect = MakeList(OpConfig, "GenericSelect",
                             {QStringLiteral("Less than 25 miles"), QStringLiteral("Greater than 25 miles")},
                             {1080, 1560, 1932, 315});
    GenericButton = MakeButton(OpConfig, "GenericButton", QStringLiteral("Update Generic"), {3120, 1440, 1092, 492});
    for (QWidget* control : std::initializer_list<QWidget*>{SfdLabel, SfdText, V35Label, V35Select, GenericLabel,
                                                             GenericSelect}) {
        control->setToolTip(eeprom);
    }
    SfdButton->setToolTip(QStringLiteral("Store new SFD to EEPROM"));
    V35Button->setToolTip(QStringLiteral("Store new value to EEPROM"));
    GenericButton->setToolTip(QStringLiteral("Store new value to EEPROM"));
    for (QPushButton* button : {SfdButton, V35Button, GenericButton}) {
        button->setEnabled(false);
    }

    DownloadStatus = MakeGreyField(configuration, "DownloadStatus", {5760, 1200, 495, 285});
    DownloadProgress = Make<QProgressBar>(configuration, "DownloadProgress", {5760, 1560, 495, 375});
    DownloadProgress->setRange(0, DownloadEngine::kProgressMaximum);
    DownloadProgress->setValue(0);
    DownloadProgress->setTextVisible(false);
    DownloadProgress->hide();

    // Status tab
    LocalStatus = MakeFrame(status, "LocalStatus", QStringLiteral("Power and Temperature Status"),
                            {240, 360, 6252, 732});
    BattVoltLabel = MakeLabel(LocalStatus, "BattVoltLabel", QStringLiteral("Battery Voltage:"),
                              {120, 360, 1212, 252});
    BattVoltText = MakeField(LocalStatus, "BattVoltText", {1560, 360, 852, 288});
    TemperatureLabel = MakeLabel(LocalStatus, "TemperatureLabel", QStringLiteral("Temperature (C):"),
                                 {2880, 360, 1332, 252});
    TemperatureText = MakeField(LocalStatus, "TemperatureText", {4320, 360, 852, 288});
    TemperatureText->setText(QStringLiteral("??"));

    RemoteStatus = MakeFrame(status, "RemoteStatus", QStringLiteral("Operational Status"), {240, 1200, 6252, 2652});
    OpStateLabel = MakeLabel(RemoteStatus, "OpStateLabel", QStringLiteral("Operational State:"),
                             {120, 360, 1332, 252});
    OpStateText = MakeField(RemoteStatus, "OpStateText", {1560, 360, 1092, 288});
    CpeLabel = MakeLabel(RemoteStatus, "CpeLabel", QStringLiteral("CPE Selection:"), {3000, 360, 1212, 252});
    CpeSelect = MakeList(RemoteStatus, "CpeSelect",
                         {QStringLiteral("CPE 0"), QStringLiteral("CPE 1"), QStringLiteral("CPE 2"),
                          QStringLiteral("CPE 3")},
                         {4320, 360, 1572, 315});
    RssiLabel = MakeLabel(RemoteStatus, "RssiLabel", QStringLiteral("Signal Strength:"), {120, 960, 1212, 252});
    RssiText = MakeField(RemoteStatus, "RssiText", {1560, 960, 1092, 288});
    SfdLossLabel = MakeLabel(RemoteStatus, "SfdLossLabel", QStringLiteral("SFD Losses:"), {3000, 960, 1332, 252});
    SfdLossText = MakeField(RemoteStatus, "SfdLossText", {4320, 960, 1572, 288});
    SfdLossText->setText(QStringLiteral("??"));
    Line1Label = MakeLabel(RemoteStatus, "Line1Label", QStringLiteral("Line 1 States:"), {120, 1560, 1212, 252});
    Line1Hook = MakeGreyField(RemoteStatus, "Line1Hook", {1560, 1560, 1092, 288});
    Line1Ring = MakeGreyField(RemoteStatus, "Line1Ring", {3000, 1560, 1092, 288});
    Line2Label = MakeLabel(RemoteStatus, "Line2Label", QStringLiteral("Line 2 States:"), {120, 2160, 1212, 252});
    Line2Hook = MakeGreyField(RemoteStatus, "Line2Hook", {1560, 2160, 1092, 288});
    Line2Ring = MakeGreyField(RemoteStatus, "Line2Ring", {3000, 2160, 1092, 288});

    // Terminal tab
    TerminalText = Make<TerminalView>(terminal, "TerminalText", {120, 360, 6492, 3012});
    TerminalText->setFont(ConsoleFont());
    TerminalText->installEventFilter(this);
    CommandLineLabel = MakeLabel(terminal, "CommandLineLabel", QStringLiteral("Command Line:"),
                                 {120, 3600, 1575, 255});
    CommandLineText = MakeField(terminal, "CommandLineText", {1320, 3600, 2412, 330}, false);
    CommandLineText->setFont(ConsoleFont());
    CommandLineButton = MakeButton(terminal, "CommandLineButton", QStringLiteral("Send Command"),
                                   {3960, 3480, 1092, 492});
    LoggingButton = MakeButton(terminal, "LoggingButton", QStringLiteral("Activate Logging"),
                               {5400, 3480, 1092, 492});
    PlaceTabPageControls();
}

QRect GuiMain::Twips(const QWidget* control) {
    return control->property(kTwipsProperty).toRect();
}

void GuiMain::SetTwips(QWidget* control, const QRect& twips) {
    control->setProperty(kTwipsProperty, twips);
}

// Tab page controls are given relative to the tab control; the page itself sits below the tab bar at an offset
// that only the style knows once the tab control is laid out, so they are placed again whenever a page moves.
void GuiMain::PlaceTabPageControls() {
    for (int index = 0; index < GUI_Tabs->count(); ++index) {
        QWidget* page = GUI_Tabs->widget(index);
        const QPoint offset = page->mapTo(GUI_Tabs, QPoint(0, 0));
        for (QWidget* control : page->findChildren<QWidget*>(QString(), Qt::FindDirectChildrenOnly)) {
            if (control->property(kTwipsProperty).isValid()) {
                control->setGeometry(ToPixels(Twips(control)).translated(-offset));
            }
        }
    }
}

bool GuiMain::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::Move && GUI_Tabs->indexOf(qobject_cast<QWidget*>(watched)) >= 0) {
        PlaceTabPageControls();
    }
    if (event->type() == QEvent::Show && watched == TerminalText) {
        SyncTerminalView();  // what arrived while the view was out of sight
    }
    return QWidget::eventFilter(watched, event);
}

void GuiMain::ConnectHandlers() {
    // Read no more often than the view syncs: a read then finds the widget due, so reading and showing cost one
    // wake-up, and text still shows within one interval of its arrival.
    Session.Port.SetReadGathering(kTerminalSyncMs);
    connect(&TerminalSyncTimer, &QTimer::timeout, this, &GuiMain::SyncTerminalView);
    connect(ExitButton, &QPushButton::clicked, this, &GuiMain::ExitButton_Click);
    connect(CommPortSelect, &QComboBox::currentIndexChanged, this, &GuiMain::CommPortSelect_Click);
    connect(CommandLineButton, &QPushButton::clicked, this, &GuiMain::CommandLineButton_Click);
    connect(LoggingButton, &QPushButton::clicked, this, &GuiMain::LoggingButton_Click);
    connect(CpeSelect, &QComboBox::currentIndexChanged, this, &GuiMain::CpeSelect_Click);
    connect(OpStateText, &QLineEdit::textChanged, this, &GuiMain::OpStateText_Change);
    connect(RssiText, &QLineEdit::textChanged, this, &GuiMain::RssiText_Change);
    connect(SfdLossText, &QLineEdit::textChanged, this, &GuiMain::SfdLossText_Change);
    connect(TemperatureText, &QLineEdit::textChanged, this, &GuiMain::TemperatureText_Change);
    connect(SfdText, &QLineEdit::textChanged, this, &GuiMain::SfdText_Change);
    InstallSfdInputFilter();
    connect(SfdButton, &QPushButton::clicked, this, &GuiMain::SfdButton_Click);
    // A pick of the entry already selected counts as a click too, as on the list itself.
    connect(GenericSelect, &QComboBox::currentIndexChanged, this, &GuiMain::GenericSelect_Click);
    connect(GenericSelect, &QComboBox::activated, this, &GuiMain::GenericSelect_Click);
    connect(GenericButton, &QPushButton::clicked, this, &GuiMain::GenericButton_Click);
    connect(V35Select, &QComboBox::currentIndexChanged, this, &GuiMain::V35Select_Click);
    connect(V35Select, &QComboBox::activated, this, &GuiMain::V35Select_Click);
    connect(V35Button, &QPushButton::clicked, this, &GuiMain::V35Button_Click);
    connect(DownloadButton, &QPushButton::clicked, this, &GuiMain::DownloadButton_Click);
}

void GuiMain::Form_Load() {
    for (int cpe = 0; cpe < kCpeCount; ++cpe) {
        Session.ResetCpeStatus(cpe);
    }
    Session.EnterProgram(kNoProgram);
    BuildPortList();
    Session.Start();
}

void GuiMain::Form_Unload() {
    closed_ = true;
    Session.Close();
    SyncTerminalView();  // shows all that arrived and stops its timer
}

void GuiMain::ExitButton_Click() { close(); }

void GuiMain::changeEvent(QEvent* event) {
    QWidget::changeEvent(event);
    if (event->type() == QEvent::WindowStateChange && TerminalShowing()) {
        SyncTerminalView();  // restored from the task bar
    }
}

void GuiMain::closeEvent(QCloseEvent* event) {
    if (!closed_) {
        Form_Unload();
    }
    event->accept();
}
