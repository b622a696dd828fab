#include "Bench.h"

#include <QApplication>
#include <QFile>
#include <QTextStream>

#include <sys/resource.h>
#include <unistd.h>

#include <cstdio>

double ResidentMegabytes() {
    QFile statm(QStringLiteral("/proc/self/statm"));
    if (!statm.open(QIODevice::ReadOnly)) {
        return 0;
    }
    const QList<QByteArray> fields = statm.readAll().split(' ');
    return fields.size() > 1
               ? fields.at(1).toDouble() * static_cast<double>(::sysconf(_SC_PAGESIZE)) / 1048576.0
               : 0;
}

double PeakResidentMegabytes() {
    rusage usage{};
    ::getrusage(RUSAGE_SELF, &usage);
    return static_cast<double>(usage.ru_maxrss) / 1024.0;
}

namespace {

QString MachineName() {
    QFile cpuinfo(QStringLiteral("/proc/cpuinfo"));
    QString model = QStringLiteral("unknown processor");
    if (cpuinfo.open(QIODevice::ReadOnly)) {
        for (const QByteArray& line : cpuinfo.readAll().split('\n')) {
            if (line.startsWith("model name")) {
                model = QString::fromLatin1(line.mid(line.indexOf(':') + 2));
                break;
            }
        }
    }
    return QStringLiteral("%1, %2 cores").arg(model).arg(::sysconf(_SC_NPROCESSORS_ONLN));
}

void Print(const QList<Figure>& figures) {
    QTextStream out(stdout);
    out << "Machine: " << MachineName() << "\n\n";
    out << QStringLiteral("| %1 | %2 | %3 | %4 |\n")
               .arg(QStringLiteral("figure"), -36)
               .arg(QStringLiteral("measured"), -22)
               .arg(QStringLiteral("goal"), -20)
               .arg(QStringLiteral("met"));
    out << "|" << QString(38, '-') << "|" << QString(24, '-') << "|" << QString(22, '-') << "|-----|\n";
    for (const Figure& figure : figures) {
        out << QStringLiteral("| %1 | %2 | %3 | %4 |\n")
                   .arg(figure.Name, -36)
                   .arg(figure.Value, -22)
                   .arg(figure.Goal, -20)
                   .arg(figure.Met ? QStringLiteral("yes") : QStringLiteral("NO "));
    }
}

}  // namespace

// velmora-bench [idle seconds [receive|download|flash|idle|linerate|lag|rack|startup [seconds per line-rate
// stream, or of the status lag or the rack]]]: the tool's performance figures, as a table.
int main(int argc, char* argv[]) {
    if (argc > 1 && QByteArray(argv[1]) == "--startup-child") {
        return RunStartupChild();
    }
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    QApplication app(argc, argv);
    const int idleSeconds = argc > 1 ? QByteArray(argv[1]).toInt() : 60;
    const QByteArray only = argc > 2 ? QByteArray(argv[2]) : QByteArray();
    const QByteArray seconds = argc > 3 ? QByteArray(argv[3]) : QByteArray();
    const int streamSeconds = seconds.isEmpty() ? 20 : seconds.toInt();
    const int lagSeconds = seconds.isEmpty() ? 600 : seconds.toInt();
    const auto wanted = [&only](const char* part) {
        const bool run = only.isEmpty() || only == part;
        if (run) {
            std::fprintf(stderr, "%s...\n", part);
        }
        return run;
    };
    QList<Figure> figures;
    if (wanted("receive")) {
        figures << ReceiveFigures();
    }
    if (wanted("download")) {
        figures << DownloadFigures();
    }
    if (wanted("flash")) {
        figures << FlashFigures();
    }
    if (wanted("idle")) {
        figures << IdleFigures(idleSeconds);
    }
    if (wanted("linerate")) {
        figures << LineRateFigures(streamSeconds);
    }
    if (wanted("lag")) {
        figures << StatusLagFigures(lagSeconds);
    }
    if (wanted("rack")) {
        figures << RackFigures(lagSeconds);
    }
    if (wanted("startup")) {
        figures << StartupFigure(QString::fromLocal8Bit(argv[0]));
    }
    Print(figures);
    return 0;
}
