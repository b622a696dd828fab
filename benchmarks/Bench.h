#pragma once

#include <QList>
#include <QString>

// One measured figure against its goal.
struct Figure {
    QString Name;
    QString Value;
    QString Goal;
    bool Met = false;
};

QList<Figure> ReceiveFigures();
QList<Figure> DownloadFigures();
QList<Figure> FlashFigures();
QList<Figure> IdleFigures(int seconds);
QList<Figure> LineRateFigures(int secondsPerStream);
QList<Figure> StatusLagFigures(int seconds);
QList<Figure> RackFigures(int seconds);
Figure StartupFigure(const QString& benchProgram);
int RunStartupChild();

double ResidentMegabytes();  // resident memory now
double PeakResidentMegabytes();
