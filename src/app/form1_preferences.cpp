// The "Preferences" page: skin picture and label colour, clock-time offsets,
// PTY coding, window options and the port.
#include "app/form1.h"

#include "app/form1_build.h"
#include "app/key_filter.h"
#include "app/latin1.h"
#include "app/form_engine.h"
#include "content/station_charset.h"
#include "content/station_params.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImageReader>
#include <QToolButton>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace quorvan_app {

using namespace build;

static_assert(ColorBox::kWindowTextIndex == quorvan::kLabelColorWindowText,
              "the label colour list starts its system colours with the window text");

void TForm1::buildPreferencesPage()
{
    QWidget* page = MPreferences;
    GBLOGB = group(page, "GBLOGB", QStringLiteral("Skin Picture and Font Color"), 4, 2, 356, 72);
    LImageFile = label(GBLOGB, "LImageFile", QStringLiteral("(none)"), 8, 20, 340, 16, 0);
    LImageFile->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    BR1 = button(GBLOGB, "BR1", QStringLiteral("Choose..."), 8, 42, 76);
    ColorBox1 = named(new ColorBox(GBLOGB), "ColorBox1", 1);
    ColorBox1->setGeometry(92, 42, 172, 22);
    ColorBox1->setToolTip(QStringLiteral("Label Color"));

    GBUTC = group(page, "GBUTC", QStringLiteral("UTC offset"), 364, 2, 121, 48);
    SEUTCO = intSpin(GBUTC, "SEUTCO", quorvan::kSEUTCOMin, quorvan::kSEUTCOMax, 0, 8, 19, 50);
    LHOURS1 = label(GBUTC, "LHOURS1", QStringLiteral("hours"), 62, 21, 44);
    GBSMT = group(page, "GBSMT", QStringLiteral("Summertime offset"), 364, 52, 121, 48);
    SESMTO = intSpin(GBSMT, "SESMTO", quorvan::kSESMTOMin, quorvan::kSESMTOMax, 1, 8, 19, 50);
    LHOURS2 = label(GBSMT, "LHOURS2", QStringLiteral("hours"), 62, 21, 44);

    RBPTYC = radioGroup(page, "RBPTYC", QStringLiteral("PTY Coding"),
                        {QStringLiteral("European"), QStringLiteral("U.S. (RBDS)"),
                         QStringLiteral("Numbered only")},
                        1, 4, 78, 112, 74);
    RBPTYC->setItemIndex(0);
    GBSET = group(page, "GBSET", QStringLiteral("Options"), 120, 78, 110, 98);
    ALONTOP = check(GBSET, "ALONTOP", QStringLiteral("Always on Top"), 8, 18, 98);
    CBHPRI = check(GBSET, "CBHPRI", QStringLiteral("High Priority"), 8, 36, 98);
    LCHARSET = label(GBSET, "LCHARSET", QStringLiteral("Character set:"), 8, 56, 98, 14, 0);
    CBCHARSET = dropDown(GBSET, "CBCHARSET", {QStringLiteral("Latin-1"), QStringLiteral("RDS (Unicode)")},
                         4, 72, 102);
    CBCHARSET->setCurrentIndex(quorvan::TStationParams{}.preferences.CBCHARSET);
    RGPORT = radioGroup(page, "RGPORT", QStringLiteral("Port"),
                        {QStringLiteral("LPT1"), QStringLiteral("LPT2"), QStringLiteral("COM1"),
                         QStringLiteral("COM2"), QStringLiteral("COM3"), QStringLiteral("COM4"),
                         QStringLiteral("Virtual encoder\n(software output)")},
                        2, 234, 78, 126, 102);
    // The virtual encoder spans the group's width below the six ports.
    RGPORT->setFullWidthTail(1);
    RGPORT->button(quorvan::kVirtualPortSelection)
        ->setToolTip(QStringLiteral("The virtual encoder: no chip needed; quorvanctl air plays it through a "
                                    "sound card. Its state file is the settings' VirtualEncoder."));
    RGPORT->setItemIndex(0);
    GBDS = group(page, "GBDS", QStringLiteral("Port options"), 364, 104, 121, 104);
    CBBI = check(GBDS, "CBBI", QStringLiteral("Bidirectional"), 8, 18, 100);
    CBBI->setChecked(true);
    CBSS = check(GBDS, "CBSS", QStringLiteral("Slow"), 8, 36, 100);
    CBSS->setChecked(true);
    LLPTA = label(GBDS, "LLPTA", QStringLiteral("LPT2 address (DEC):"), 8, 58, 110);
    ELPTA = edit(GBDS, "ELPTA", 5, 8, 76, 56);
    ELPTA->setText(QStringLiteral("632"));

    LCPU = label(page, "LCPU", QStringLiteral("CPU Speed:"), 8, 182, 240, 16, 0);
}

void TForm1::connectPreferencesPage()
{
    connect(BR1, &QPushButton::clicked, this, &TForm1::BR1Click);
    connect(ColorBox1, &QComboBox::currentIndexChanged, this, &TForm1::ColorBox1Change);
    connect(RBPTYC, &RadioGroup::clicked, this, &TForm1::RBPTYCClick);
    connect(ALONTOP, &QCheckBox::toggled, this, &TForm1::ALONTOPClick);
    connect(CBHPRI, &QCheckBox::toggled, this, &TForm1::CBHPRIClick);
    connect(RGPORT, &RadioGroup::clicked, this, &TForm1::RGPORTClick);
    connect(CBBI, &QCheckBox::toggled, this, &TForm1::CBBIClick);
    connect(CBCHARSET, &QComboBox::currentIndexChanged, this, &TForm1::CBCHARSETChange);
    FilterStationTexts();
    new KeyPressFilter(ELPTA, [this](char& key) { ELPTAKeyPress(key); }, KeyPressFilter::Unseen::Discard);
}

void TForm1::ELPTAKeyPress(char& key)
{
    if (key != '\b' && (key < '0' || key > '9'))
        key = 0;
}

quorvan::Charset TForm1::StationCharset() const
{
    return quorvan::CharsetFromInt(CBCHARSET->currentIndex());
}

void TForm1::FilterStationTexts()
{
    const auto filter = [this](const QString& text) { return fieldText(text, StationCharset()); };
    for (LimitedLineEdit* e : {PSDEF, DPS1B, RT[0], RT[1], RT[2], RT[3], ED1PR, ER1PR, ECUSCH})
        e->setTextFilter(filter);
    EPTYN->setTextFilter(filter);
    for (LimitedLineEdit* e : EEONPS)
        e->setTextFilter(filter);
    for (int r = 0; r < quorvan::kDPS1Rows; ++r)
        DPS1->row(r)->setTextFilter(filter);
}

// Switching the character set keeps every text's characters; those the new set
// lacks become what the encoder will get ("?" in Latin-1). The encoder itself
// changes only with the next Send or update.
void TForm1::CBCHARSETChange()
{
    const quorvan::Charset cs = StationCharset();
    for (LimitedLineEdit* e : {PSDEF, DPS1B, RT[0], RT[1], RT[2], RT[3], ED1PR, ER1PR, ECUSCH}) {
        const QString now = textInCharset(e->text(), cs);
        if (now != e->text())
            e->setText(now);
    }
    for (int r = 0; r < quorvan::kDPS1Rows; ++r)
        DPS1->setText(r, textInCharset(DPS1->text(r), cs));
    FormEngine& e = *engine_;
    e.memory.DPSFromFile = quorvan::SourceTextInCharset(e.memory.DPSFromFile, cs);
    e.memory.RTFromFile = quorvan::SourceTextInCharset(e.memory.RTFromFile, cs);
}

void TForm1::CBBIClick()
{
    BREC1->setEnabled(CBBI->isChecked());
    BSTAT->setEnabled(CBBI->isChecked());
}

void TForm1::ColorBox1Change()
{
    const QColor c = ColorBox1->selectedColor();
    QPalette page = TSProgram->palette();
    page.setColor(QPalette::WindowText, c);
    TSProgram->setPalette(page);
    QPalette own = LPSDEF->palette();
    own.setColor(QPalette::WindowText, c);
    LPSDEF->setPalette(own);
    QPalette entry = CBAFEdit->palette();
    entry.setColor(QPalette::Text, c);
    CBAFEdit->setPalette(entry);
}

QColor TForm1::LabelColor() const
{
    return TSProgram->palette().color(QPalette::WindowText);
}

void TForm1::BR1Click()
{
    const QString path = ChooseFile(QStringLiteral("Open"), QStringLiteral("Bitmaps (*.bmp)"), true);
    if (!path.isEmpty())
        LImageFile->setText(FileNameText(QDir::toNativeSeparators(QFileInfo(path).absoluteFilePath())));
    LoadSkinPicture();
}

void TForm1::LoadSkinPicture()
{
    const QString path = LImageFile->text();
    if (path == skinPicturePath_ || path == QLatin1String("(none)"))
        return;
    // The new path is remembered even when the file cannot be read, so the
    // same file is not tried again.
    skinPicturePath_ = path;
    // Only a regular file is read. The path comes from the settings file and
    // may name a FIFO (whose plain open waits for a writer, hanging the
    // start-up) or a device: it is opened without waiting and checked first.
    // The field holds the name's own bytes, as the settings file does.
    const std::string native = toBytes(path);
    const int fd = ::open(native.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        return;
    struct stat st {};
    QImage image;
    if (::fstat(fd, &st) == 0 && S_ISREG(st.st_mode) && ::fcntl(fd, F_SETFL, 0) == 0) {
        QFile file;
        if (file.open(fd, QIODevice::ReadOnly, QFileDevice::DontCloseHandle)) {
            QImageReader reader(&file);
            reader.setDecideFormatFromContent(true);
            image = reader.read();
        }
    }
    ::close(fd);
    if (image.isNull())
        return;
    LOGO->setPixmap(QPixmap::fromImage(
        image.scaled(LOGO->size(), Qt::KeepAspectRatio, Qt::SmoothTransformation)));
}

} // namespace quorvan_app
