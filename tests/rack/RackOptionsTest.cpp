#include "rack/RackOptions.h"

#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

ParsedRackArguments Parse(QStringList arguments) {
    arguments.prepend(QStringLiteral("velmora-rack"));
    return ParseRackArguments(arguments);
}

QString WriteConfig(const QTemporaryDir& dir, const QByteArray& text) {
    const QString path = dir.filePath(QStringLiteral("rack.yaml"));
    QFile file(path);
    EXPECT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(text);
    return path;
}

TEST(RackOptions, ConfigurationAndCommandLineAreJoined) {
    QTemporaryDir dir;
    const QString config = WriteConfig(dir,
                                       "# a rack\n"
                                       "log-dir: /var/log/velmora-rack\n"
                                       "alarm-after: 20\n"
                                       "metrics: 0.0.0.0:9464\n"
                                       "boards:\n"
                                       "  - name: rack01\n"
                                       "    port: /dev/serial/by-id/usb-one\n"
                                       "  - {name: rack02, port: COM2}\n");
    const ParsedRackArguments parsed =
        Parse({QStringLiteral("--config"), config, QStringLiteral("--alarm-after"), QStringLiteral("5"),
               QStringLiteral("rack03=/dev/ttyUSB7")});
    ASSERT_TRUE(parsed.Options) << parsed.Text.toStdString();
    const RackOptions& options = *parsed.Options;
    ASSERT_EQ(options.Boards.size(), 3);
    EXPECT_EQ(options.Boards[0].Name, QStringLiteral("rack01"));
    EXPECT_EQ(options.Boards[0].Port, QStringLiteral("/dev/serial/by-id/usb-one"));
    EXPECT_EQ(options.Boards[1].Port, QStringLiteral("COM2"));
    EXPECT_EQ(options.Boards[2].Name, QStringLiteral("rack03"));
    EXPECT_EQ(options.LogDir, QStringLiteral("/var/log/velmora-rack"));
    EXPECT_EQ(options.AlarmAfterS, 5);  // the command line wins
    EXPECT_EQ(options.QuietAfterS, 30);
    EXPECT_FALSE(options.Json);
    ASSERT_TRUE(options.Metrics);
    EXPECT_EQ(options.Metrics->Host, QHostAddress(QHostAddress::AnyIPv4));
    EXPECT_EQ(options.Metrics->Port, 9464);
}

TEST(RackOptions, MetricsListenOnTheLoopbackUnlessTold) {
    const struct {
        const char* Given;
        QHostAddress Host;
        quint16 Port;
    } rows[] = {
        {"9464", QHostAddress(QHostAddress::LocalHost), 9464},
        {"localhost:80", QHostAddress(QHostAddress::LocalHost), 80},
        {"192.168.1.5:9100", QHostAddress(QStringLiteral("192.168.1.5")), 9100},
        {"[::1]:9464", QHostAddress(QHostAddress::LocalHostIPv6), 9464},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.Given);
        const ParsedRackArguments parsed = Parse(
            {QStringLiteral("--metrics"), QString::fromLatin1(row.Given), QStringLiteral("a=/dev/null")});
        ASSERT_TRUE(parsed.Options && parsed.Options->Metrics) << parsed.Text.toStdString();
        EXPECT_EQ(parsed.Options->Metrics->Host, row.Host);
        EXPECT_EQ(parsed.Options->Metrics->Port, row.Port);
    }
}

// What is refused, with the reason the message gives.
TEST(RackOptions, RefusalsSayWhy) {
    QTemporaryDir dir;
    const QString config = WriteConfig(dir, "boards:\n  - name: a\n    port: /dev/ttyS9\n    speed: 9600\n");
    const QString unknown = dir.filePath(QStringLiteral("unknown.yaml"));
    QFile file(unknown);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("log_dir: /tmp\n");
    file.close();
    const struct {
        QStringList Arguments;
        const char* Says;
    } rows[] = {
        {{QStringLiteral("../up=/dev/null")}, "is not a board name"},
        {{QStringLiteral(".hidden=/dev/null")}, "is not a board name"},
        {{QString(65, u'a') + QStringLiteral("=/dev/null")}, "is not a board name"},
        {{QStringLiteral("a=")}, "has no port"},
        {{QStringLiteral("a=/dev/null"), QStringLiteral("b=/dev/./null")}, "given twice"},  // one device
        {{QStringLiteral("--quiet-after"), QStringLiteral("0"), QStringLiteral("a=/dev/null")},
         "--quiet-after"},
        {{QStringLiteral("--alarm-after"), QStringLiteral("-5"), QStringLiteral("a=/dev/null")},
         "--alarm-after"},
        {{QStringLiteral("--metrics"), QStringLiteral("host.example:80"), QStringLiteral("a=/dev/null")},
         "--metrics"},
        {{QStringLiteral("--metrics"), QStringLiteral("127.0.0.1:70000"), QStringLiteral("a=/dev/null")},
         "--metrics"},
        {{QStringLiteral("--config"), config}, "a name and a port, nothing else"},
        {{QStringLiteral("--config"), unknown, QStringLiteral("a=/dev/null")}, "unknown setting \"log_dir\""},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.Arguments.join(u' ').toStdString());
        const ParsedRackArguments parsed = Parse(row.Arguments);
        EXPECT_FALSE(parsed.Options);
        EXPECT_EQ(parsed.Status, kRackUsageError);
        EXPECT_TRUE(parsed.Text.contains(QLatin1String(row.Says))) << parsed.Text.toStdString();
    }
}

}  // namespace
