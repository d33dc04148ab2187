#include "programicon.h"

QIcon programIcon() {
    QIcon icon(QStringLiteral(":/verimond/verimond.svg"));
    icon.addFile(QStringLiteral(":/verimond/icons/verimond-16.png"), QSize(16, 16));
    icon.addFile(QStringLiteral(":/verimond/icons/verimond-32.png"), QSize(32, 32));
    return icon;
}
