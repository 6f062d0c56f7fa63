#include "ui/chart_png.h"

#include "core/dialogs.h"
#include "ui/qt_text.h"

#include <QFileInfo>
#include <qcustomplot.h>

bool SaveChartPng(QCustomPlot& plot, Dialogs& dialogs, const std::string& preset) {
    const auto chosen = dialogs.chooseSaveFile(preset);
    if (!chosen) {
        return false;
    }
    QString path = FromPath(*chosen);
    if (QFileInfo(path).suffix().isEmpty()) {
        path += QStringLiteral(".png");
    }
    if (!plot.savePng(path)) {
        dialogs.showMessage("Can't save the picture " + ToPath(path));
        return false;
    }
    return true;
}
