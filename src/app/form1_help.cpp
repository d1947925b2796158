// The "Help" page: the user guide and the "About" group.
#include "app/form1.h"

#include "app/app_icon.h"
#include "app/form1_build.h"
#include "app/help_text.h"
#include "version/version.h"

#include <QPlainTextEdit>

namespace quorvan_app {

using namespace build;

void TForm1::buildHelpPage()
{
    QWidget* page = MHelp;
    MEHELP = named(new QPlainTextEdit(page), "MEHELP", 0);
    MEHELP->setGeometry(4, 4, 300, 253);
    MEHELP->setReadOnly(true);
    MEHELP->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    MEHELP->setPlainText(HelpText());
    infoBackground(MEHELP);

    GBABOUT = group(page, "GBABOUT", QStringLiteral("About"), 308, 4, 177, 150);
    LABTITLE = label(GBABOUT, "LABTITLE", AboutTitle(), 8, 20, 161, 20, 0);
    QFont f = LABTITLE->font();
    f.setBold(true);
    f.setPixelSize(14);
    LABTITLE->setFont(f);
    LABVER = label(GBABOUT, "LABVER", QStringLiteral("Version %1").arg(QLatin1String(quorvan::programVersion())),
                   8, 42, 161, 16, 0);
    LABLOGO = label(GBABOUT, "LABLOGO", QString(), 8, 64, 32, 32, 0);
    LABLOGO->setPixmap(ProgramPixmap(32));
    LABDESC = label(GBABOUT, "LABDESC",
                    QStringLiteral("Control program for the Quorvan RDS encoder on a parallel or serial port."),
                    46, 62, 123, 80, 0);
    LABDESC->setWordWrap(true);
    LABDESC->setAlignment(Qt::AlignLeft | Qt::AlignTop);
}

} // namespace quorvan_app
