// velmora-rack as a program: simulated boards and ptys of the test's own on one side, its JSON stream, logs
// and metrics on the other.
#include "Pty.h"
#include "SimBoard.h"

#include <QDir>
#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QRegularExpression>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <sys/inotify.h>
#include <unistd.h>

#include <csignal>

namespace {

constexpr int kDetectTimeoutMs = 20000;
constexpr int kAlarmTimeoutMs = 40000;
constexpr int kExitTimeoutMs = 10000;

// The program under test, its JSON events as they come.
class Rack {
  public:
    ~Rack() {
        if (process_.state() != QProcess::NotRunning) {
            process_.kill();
            process_.waitForFinished(kExitTimeoutMs);
        }
    }

    bool Start(const QStringList& arguments) {
        process_.start(QStringLiteral(VELMORA_RACK_PATH), arguments);
        return process_.waitForStarted(kExitTimeoutMs);
    }

    // The first event (from the one at `from` on) that holds every given key and value.
    std::optional<QJsonObject> WaitForEvent(const QJsonObject& wanted, int timeoutMs, qsizetype from = 0) {
        std::optional<QJsonObject> found;
        WaitFor(
            [&] {
                ReadEvents();
                for (qsizetype index = from; index < events_.size() && !found; ++index) {
                    if (Holds(events_[index], wanted)) {
                        found = events_[index];
                    }
                }
                return found.has_value();
            },
            timeoutMs);
        return found;
    }
    qsizetype EventCount() {
        ReadEvents();
        return events_.size();
    }

    void Signal(int signal) const { ::kill(static_cast<pid_t>(process_.processId()), signal); }
    // Stops it as a service manager does; its exit status, or -1 if it did not exit.
    int Stop() {
        Signal(SIGTERM);
        return Finish();
    }
    int Finish() {
        if (!process_.waitForFinished(kExitTimeoutMs) || process_.exitStatus() != QProcess::NormalExit) {
            return -1;
        }
        ReadEvents();
        return process_.exitCode();
    }
    QString ErrorOutput() { return QString::fromLocal8Bit(process_.readAllStandardError()); }

  private:
    static bool Holds(const QJsonObject& event, const QJsonObject& wanted) {
        for (auto it = wanted.begin(); it != wanted.end(); ++it) {
            if (event.value(it.key()) != it.value()) {
                return false;
            }
        }
        return true;
    }
    void ReadEvents() {
        while (process_.canReadLine()) {
            const QByteArray line = process_.readLine();
            QJsonParseError error{};
            const QJsonDocument document = QJsonDocument::fromJson(line, &error);
            EXPECT_EQ(error.error, QJsonParseError::NoError) << line.toStdString();
            events_ << document.object();
        }
    }

    QProcess process_;
    QList<QJsonObject> events_;
};

QString Board(const QString& name, const QString& path) {
    return name + u'=' + path;
}

QByteArray ReadAll(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// A TCP port nobody listens on now.
quint16 FreePort() {
    QTcpServer server;
    server.listen(QHostAddress::LocalHost, 0);
    return server.serverPort();
}

// One response, read up to the end its Content-Length gives.
QByteArray HttpGet(quint16 port, const QByteArray& path) {
    QTcpSocket socket;
    socket.connectToHost(QHostAddress::LocalHost, port);
    if (!socket.waitForConnected(kExitTimeoutMs)) {
        return {};
    }
    socket.write("GET " + path + " HTTP/1.1\r\nHost: localhost\r\n\r\n");
    static const QRegularExpression length(QStringLiteral("\r\ncontent-length: *(\\d+)\r\n"),
                                           QRegularExpression::CaseInsensitiveOption);
    QByteArray response;
    while (socket.waitForReadyRead(kExitTimeoutMs)) {
        response += socket.readAll();
        const qsizetype headerEnd = response.indexOf("\r\n\r\n");
        const QRegularExpressionMatch match = length.match(QString::fromLatin1(response.left(headerEnd + 2)));
        if (headerEnd >= 0 && match.hasMatch() &&
            response.size() >= headerEnd + 4 + match.captured(1).toLongLong()) {
            break;
        }
    }
    return response;
}

TEST(RackJson, TwoBoardsFieldsAndLevelsArrive) {
    SimBoard lineCard;
    SimBoard cpe;
    ASSERT_TRUE(lineCard.Start({"--app", "linecard", "--boot-delay", "100"}));
    ASSERT_TRUE(cpe.Start({"--app", "cpe", "--boot-delay", "100"}));
    Rack rack;
    // No alarm in a short run: the exit status says so.
    ASSERT_TRUE(rack.Start({"--json", "--alarm-after", "600", Board("lc", lineCard.DevicePath()),
                            Board("cpe", cpe.DevicePath())}));
    for (const auto& [board, program] : {std::pair{"lc", "line_card"}, std::pair{"cpe", "cpe"}}) {
        SCOPED_TRACE(board);
        EXPECT_TRUE(rack.WaitForEvent({{"board", board}, {"event", "program"}, {"value", program}},
                                      kDetectTimeoutMs));
        // The simulated boards run at a good temperature.
        EXPECT_TRUE(rack.WaitForEvent(
            {{"board", board}, {"event", "field"}, {"field", "temperature"}, {"level", "good"}},
            kDetectTimeoutMs))
            << rack.ErrorOutput().toStdString();
        const auto version = rack.WaitForEvent(
            {{"board", board}, {"event", "field"}, {"field", "application_version"}}, kDetectTimeoutMs);
        ASSERT_TRUE(version);
        EXPECT_FALSE(version->contains("level"));  // only the coloured fields are judged
    }
    EXPECT_EQ(rack.Stop(), 0);
}

TEST(RackAlarms, AnOverheatingBoardRaisesAndClearsAnAlarm) {
    SimBoard board;
    ASSERT_TRUE(board.Start({"--app", "cpe", "--boot-delay", "100", "--fault", "overheat=1000+15000"}));
    Rack rack;
    ASSERT_TRUE(rack.Start({"--json", "--alarm-after", "1", Board("hot", board.DevicePath())}));
    const QJsonObject alarm{{"board", "hot"}, {"event", "alarm"}, {"alarm", "temperature_bad"}};
    QJsonObject raised = alarm;
    raised.insert("state", "raised");
    ASSERT_TRUE(rack.WaitForEvent(raised, kAlarmTimeoutMs)) << rack.ErrorOutput().toStdString();
    QJsonObject cleared = alarm;
    cleared.insert("state", "cleared");
    EXPECT_TRUE(rack.WaitForEvent(cleared, kAlarmTimeoutMs));
    EXPECT_EQ(rack.Stop(), 1);  // an alarm was raised during the run
    EXPECT_TRUE(rack.WaitForEvent({{"event", "summary"}}, 0));
}

// The board is a pty of the test's own behind a link, as an adapter is behind its by-id link: the test knows
// every byte it said, before and after it was unplugged.
TEST(RackLogs, AnUnpluggedBoardsLogGoesOnByteExactAfterTheReopen) {
    QTemporaryDir dir;
    const QString link = dir.filePath("board");
    auto first = std::make_unique<Pty>();
    ASSERT_TRUE(QFile::link(first->SlavePath(), link));
    Rack rack;
    ASSERT_TRUE(rack.Start({"--json", "--log-dir", dir.path(), Board("b", link)}));
    ASSERT_TRUE(rack.WaitForEvent({{"board", "b"}, {"event", "port_open"}}, kDetectTimeoutMs));
    QByteArray said = "Boot Loader Initialized\r\n";
    for (int byte = 0; byte < 256; ++byte) {
        said += static_cast<char>(byte);
    }
    first->Write(said);
    ASSERT_TRUE(WaitFor([&] { return ReadAll(dir.filePath("b.log")) == said; }, kDetectTimeoutMs));

    first.reset();  // unplugged: the pty hangs up and its link goes, as udev removes an adapter's
    QFile::remove(link);
    ASSERT_TRUE(rack.WaitForEvent({{"board", "b"}, {"event", "port_lost"}}, kDetectTimeoutMs));
    Pty second;
    ASSERT_TRUE(QFile::link(second.SlavePath(), link));
    ASSERT_TRUE(rack.WaitForEvent({{"board", "b"}, {"event", "port_back"}}, kDetectTimeoutMs));
    const QByteArray more = "CPE Application Initialized\r\nafter the reopen\r\n";
    second.Write(more);
    said += more;
    EXPECT_TRUE(WaitFor([&] { return ReadAll(dir.filePath("b.log")) == said; }, kDetectTimeoutMs))
        << ReadAll(dir.filePath("b.log")).size() << " bytes logged of " << said.size();

    // Each piece's line gives its offset and length: together they cover the log once, in order. A piece's
    // line is written just after its bytes, so it may still be on its way when the log is complete.
    const auto timesLength = [&] {
        qint64 length = 0;
        for (const QByteArray& line : ReadAll(dir.filePath("b.times")).split('\n')) {
            length += line.split(' ').value(2).toLongLong();
        }
        return length;
    };
    EXPECT_TRUE(WaitFor([&] { return timesLength() == said.size(); }, kDetectTimeoutMs));
    qint64 covered = 0;
    for (const QByteArray& line : ReadAll(dir.filePath("b.times")).split('\n')) {
        if (line.isEmpty()) {
            continue;
        }
        const QList<QByteArray> fields = line.split(' ');
        ASSERT_EQ(fields.size(), 3) << line.toStdString();
        EXPECT_TRUE(QRegularExpression("^\\d{4}-\\d\\d-\\d\\dT\\d\\d:\\d\\d:\\d\\d\\.\\d{3}Z$")
                        .match(QString::fromLatin1(fields[0]))
                        .hasMatch())
            << line.toStdString();
        EXPECT_EQ(fields[1].toLongLong(), covered);
        covered += fields[2].toLongLong();
    }
    EXPECT_EQ(covered, said.size());
    rack.Stop();
}

TEST(RackLogs, SighupAfterARenameReopensTheLogs) {
    QTemporaryDir dir;
    Pty board;
    Rack rack;
    ASSERT_TRUE(rack.Start({"--json", "--log-dir", dir.path(), Board("b", board.SlavePath())}));
    ASSERT_TRUE(rack.WaitForEvent({{"board", "b"}, {"event", "port_open"}}, kDetectTimeoutMs));
    board.Write("before the rotation\r\n");
    ASSERT_TRUE(WaitFor([&] { return ReadAll(dir.filePath("b.log")) == "before the rotation\r\n"; },
                        kDetectTimeoutMs));
    for (const char* name : {"b.log", "b.times"}) {
        ASSERT_TRUE(QFile::rename(dir.filePath(name), dir.filePath(name) + QStringLiteral(".1")));
    }
    rack.Signal(SIGHUP);
    ASSERT_TRUE(WaitFor([&] { return QFile::exists(dir.filePath("b.log")); }, kDetectTimeoutMs));
    board.Write("after it\r\n");
    EXPECT_TRUE(WaitFor([&] { return ReadAll(dir.filePath("b.log")) == "after it\r\n"; }, kDetectTimeoutMs));
    EXPECT_EQ(ReadAll(dir.filePath("b.log.1")), "before the rotation\r\n");
    // Offsets start again with the file.
    EXPECT_TRUE(
        WaitFor([&] { return ReadAll(dir.filePath("b.times")).contains(" 0 10\n"); }, kDetectTimeoutMs));
    EXPECT_EQ(rack.Stop(), 0);
}

TEST(RackMetrics, ServesTheExpectedSeriesInTheTextFormat) {
    SimBoard lineCard;
    ASSERT_TRUE(lineCard.Start({"--app", "linecard", "--boot-delay", "100"}));
    const quint16 port = FreePort();
    Rack rack;
    ASSERT_TRUE(rack.Start({"--json", "--metrics", QStringLiteral("127.0.0.1:%1").arg(port),
                            Board("lc", lineCard.DevicePath())}));
    ASSERT_TRUE(
        rack.WaitForEvent({{"board", "lc"}, {"event", "field"}, {"field", "temperature"}, {"level", "good"}},
                          kDetectTimeoutMs));
    const QByteArray response = HttpGet(port, "/metrics");
    ASSERT_TRUE(response.startsWith("HTTP/1.1 200")) << response.left(200).toStdString();
    const QByteArray body = response.mid(response.indexOf("\r\n\r\n") + 4);
    const QRegularExpression comment(R"(^# (HELP|TYPE) velmora_[a-z_]+ .+$)");
    const QRegularExpression sample(
        R"(^(velmora_[a-z_]+)(\{[a-z_]+="[^"]*"(,[a-z_]+="[^"]*")*\})? -?[0-9.e+]+$)");
    QStringList names;
    for (const QByteArray& raw : body.split('\n')) {
        const QString line = QString::fromUtf8(raw);
        if (line.isEmpty()) {
            continue;
        }
        if (line.startsWith(u'#')) {
            EXPECT_TRUE(comment.match(line).hasMatch()) << line.toStdString();
            continue;
        }
        const QRegularExpressionMatch match = sample.match(line);
        EXPECT_TRUE(match.hasMatch()) << line.toStdString();
        names << line.section(u' ', 0, 0);
    }
    for (const char* series :
         {"velmora_board_up{board=\"lc\"}", "velmora_board_program{board=\"lc\",program=\"line_card\"}",
          "velmora_temperature_celsius{board=\"lc\"}", "velmora_received_bytes_total{board=\"lc\"}",
          "velmora_port_losses_total{board=\"lc\"}", "velmora_reboots_total{board=\"lc\"}"}) {
        EXPECT_TRUE(names.contains(QString::fromLatin1(series))) << series << "\n" << body.toStdString();
    }
    EXPECT_TRUE(HttpGet(port, "/other").startsWith("HTTP/1.1 404"));
    rack.Stop();
}

// Bad command lines and configurations are refused before any port is opened.
TEST(RackUsage, BadConfigurationsExitWithTwoAndOpenNothing) {
    Pty board;
    const int watch = ::inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
    ASSERT_GE(watch, 0);
    ASSERT_GE(::inotify_add_watch(watch, QFile::encodeName(board.SlavePath()).constData(), IN_OPEN), 0);
    QTemporaryDir dir;
    const QString badYaml = dir.filePath("bad.yaml");
    QFile yaml(badYaml);
    ASSERT_TRUE(yaml.open(QIODevice::WriteOnly));
    yaml.write("boards: [name: a, port\n");
    yaml.close();
    const QString good = Board("a", board.SlavePath());
    const QList<QStringList> rows = {
        {good, Board("a", "/dev/null")},        // a name given twice
        {good, QStringLiteral("noequals")},     // no port
        {good, QStringLiteral("=/dev/pts/0")},  // no name
        {good, QStringLiteral("--no-such-option")},
        {good, QStringLiteral("--alarm-after"), QStringLiteral("soon")},
        {good, QStringLiteral("--config"), dir.filePath("missing.yaml")},
        {good, QStringLiteral("--config"), badYaml},
        {},  // no board at all
    };
    for (const QStringList& arguments : rows) {
        SCOPED_TRACE(arguments.join(u' ').toStdString());
        Rack rack;
        ASSERT_TRUE(rack.Start(arguments));
        EXPECT_EQ(rack.Finish(), 2);
        EXPECT_FALSE(rack.ErrorOutput().isEmpty());
    }
    char events[4096];
    EXPECT_LE(::read(watch, events, sizeof events), 0) << "a refused run opened the board's port";
    ::close(watch);
}

}  // namespace
