#include "app_look.h"

#include <QApplication>
#include <QStyleFactory>

namespace q9::app {

namespace {

constexpr const char* kSongFaces[] = {"Noto Serif CJK SC", "Source Han Serif SC", "AR PL UMing CN",
                                      "Noto Sans CJK SC"};

}  // namespace

QFont WindowFont() {
    return QFont(QStringLiteral("宋体"), 9);
}

void ApplyLook(QApplication& application) {
    QStringList faces;
    for (const char* face : kSongFaces) faces << QString::fromUtf8(face);
    QFont::insertSubstitutions(QStringLiteral("宋体"), faces);
    QFont::insertSubstitutions(QStringLiteral("SimSun"), faces);
    if (QStyle* style = QStyleFactory::create(QStringLiteral("Windows"))) {
        application.setStyle(style);
    }
    application.setFont(WindowFont());
}

}  // namespace q9::app
