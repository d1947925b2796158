#include "app/look.h"

#include <QApplication>
#include <QProxyStyle>
#include <QStyleFactory>

namespace quorvan_app {

namespace {

// Fusion with the tighter tab spacing of a classic page control, so that the
// seven page tabs fit the fixed window.
class ProgramStyle : public QProxyStyle {
public:
    ProgramStyle() : QProxyStyle(QStyleFactory::create(QStringLiteral("Fusion"))) {}

    int pixelMetric(PixelMetric metric, const QStyleOption* option, const QWidget* widget) const override
    {
        switch (metric) {
        case PM_TabBarTabHSpace:
            return 12;
        case PM_TabBarTabVSpace:
            return 8;
        default:
            return QProxyStyle::pixelMetric(metric, option, widget);
        }
    }
};

} // namespace

QFont ProgramFont()
{
    QFont f(QStringLiteral("Liberation Sans"));
    f.setFamilies({QStringLiteral("Liberation Sans"), QStringLiteral("DejaVu Sans"),
                   QStringLiteral("Arial"), QStringLiteral("Sans Serif")});
    f.setStyleHint(QFont::SansSerif);
    f.setPixelSize(11);
    return f;
}

void ApplyProgramLook(QApplication& app)
{
    QApplication::setStyle(new ProgramStyle);
    app.setFont(ProgramFont());
}

} // namespace quorvan_app
