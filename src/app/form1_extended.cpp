// The "Extended" page: what the software encoder sends beyond the chip's
// groups, on four sub-pages: "Station" (country and language, programme
// item, PTYN, Long PS, eRT), "AF method B", "Other networks" and "Round".
// A real encoder chip receives none of these; the page says so on such a
// port. The rules of every value (its range, its text form, the cut of a long
// UTF-8 text) are the core's (content/extended_text.h, content/countries.h);
// this page only shows them.
#include "app/form1.h"

#include "app/form1_build.h"
#include "app/form_engine.h"
#include "app/key_filter.h"
#include "app/latin1.h"
#include "content/countries.h"
#include "content/extended_text.h"
#include "content/extended.h"
#include "content/pi.h"
#include "content/pty.h"

#include <QTabBar>

#include <algorithm>
#include <vector>

namespace quorvan_app {

using namespace build;

namespace {

QStringList ptyItems()
{
    QStringList out;
    for (const std::string& name : quorvan::PTYNames(quorvan::kPTYEuropean))
        out << toQt(name);
    return out;
}

// The flat sub-page buttons of "Text Sources".
void flatSubPages(QTabWidget* pages)
{
    pages->setDocumentMode(true);
    pages->tabBar()->setStyleSheet(QStringLiteral(
        "QTabBar::tab { border: 1px solid palette(mid); border-radius: 2px; padding: 2px 10px;"
        " margin: 1px 3px 3px 3px; background: palette(button); }"
        "QTabBar::tab:selected { background: palette(midlight); border-color: palette(dark);"
        " font-weight: bold; }"
        "QTabBar::tab:hover { border-color: palette(highlight); }"));
}

} // namespace

void TForm1::buildExtendedPage()
{
    PageControl3 = named(new QTabWidget(TSEXT), "PageControl3", 0);
    // The sub-pages leave room below for a hint of three lines: the core's
    // refusals name the key, the text and the whole range.
    PageControl3->setGeometry(0, 2, 489, 214);
    flatSubPages(PageControl3);
    auto addSubPage = [this](QWidget*& page, const char* name, const QString& caption) {
        page = named(new QWidget, name, 1);
        PageControl3->addTab(page, caption);
    };
    addSubPage(TSEXS, "TSEXS", QStringLiteral("Station"));
    addSubPage(TSEXA, "TSEXA", QStringLiteral("AF method B"));
    addSubPage(TSEXE, "TSEXE", QStringLiteral("Other networks"));
    addSubPage(TSEXR, "TSEXR", QStringLiteral("Round"));
    LEXTNOTE = named(new QLabel(PageControl3), "LEXTNOTE", 0);
    LEXTNOTE->setContentsMargins(0, 0, 4, 4); // clear of the line below the sub-page buttons
    LEXTNOTE->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    PageControl3->setCornerWidget(LEXTNOTE, Qt::TopRightCorner);
    LEXTHINT = label(TSEXT, "LEXTHINT", QString(), 6, 217, 478, 44, 0);
    LEXTHINT->setTextFormat(Qt::PlainText);
    LEXTHINT->setWordWrap(true);
    LEXTHINT->setAlignment(Qt::AlignLeft | Qt::AlignTop);

    // "Station"
    QWidget* page = TSEXS;
    label(page, "LCTRY", QStringLiteral("Country"), 8, 6, 84);
    CBCTRY = dropDown(page, "CBCTRY", {}, 96, 4, 214);
    CBCTRY->setMaxVisibleItems(16);
    CBCTRY->setToolTip(QStringLiteral("The countries of the PI's first digit; the choice sets the ECC"));
    label(page, "LECC", QStringLiteral("ECC"), 322, 6, 30);
    EECC = edit(page, "EECC", 2, 354, 4, 30);
    EECC->setToolTip(QStringLiteral("Extended country code, hexadecimal (group 1A); empty or 00: not sent"));
    label(page, "LLANG", QStringLiteral("Language"), 8, 32, 84);
    CBLANG = dropDown(page, "CBLANG", {}, 96, 30, 214);
    CBLANG->setMaxVisibleItems(16);
    CBLANG->setToolTip(QStringLiteral("The language of the programme; the choice sets the LIC"));
    label(page, "LLIC", QStringLiteral("LIC"), 322, 32, 30);
    ELIC = edit(page, "ELIC", 2, 354, 30, 30);
    ELIC->setToolTip(QStringLiteral("Language identification code, hexadecimal (group 1A); empty or 00: not sent"));
    label(page, "LPIN", QStringLiteral("Programme item"), 8, 58, 84);
    EPIN = edit(page, "EPIN", 8, 96, 56, 64);
    EPIN->setToolTip(QStringLiteral("Day, hour and minute the programme item began, e.g. \"15 09:30\"; empty: not sent"));
    label(page, "LPINH", QStringLiteral("day hh:mm"), 166, 58, 100, 16, 0);
    label(page, "LPTYN", QStringLiteral("PTYN"), 8, 84, 84);
    EPTYN = edit(page, "EPTYN", int(quorvan::kPtynBytes), 96, 82, 94);
    EPTYN->setToolTip(QStringLiteral("Programme type name (group 10A), e.g. \"Jazzbar\"; empty: not sent"));
    label(page, "LLPS", QStringLiteral("Long PS"), 8, 110, 84);
    ELPS = edit(page, "ELPS", 0, 96, 108, 300);
    ELPS->setToolTip(QStringLiteral("The station's long name in any script, up to 32 bytes of UTF-8 (group 15A)"));
    LLPSN = label(page, "LLPSN", QString(), 402, 110, 80, 16, 0);
    label(page, "LERT", QStringLiteral("eRT"), 8, 136, 84);
    EERT = edit(page, "EERT", 0, 96, 134, 300);
    EERT->setToolTip(QStringLiteral("Enhanced radiotext in any script, up to 128 bytes of UTF-8 (group 12A)"));
    LERTN = label(page, "LERTN", QString(), 402, 136, 80, 16, 0);
    CBERTRT = check(page, "CBERTRT", QStringLiteral("From the radiotext (each new radiotext in its own letters)"),
                    96, 160, 380);

    // "AF method B"
    page = TSEXA;
    RBAFMA = radio(page, "RBAFMA", QStringLiteral("Method A: the list of the Program page"), 8, 4, 230);
    RBAFMB = radio(page, "RBAFMB", QStringLiteral("Method B: one list per transmitter"), 244, 4, 236);
    RBAFMA->setChecked(true);
    static const char* const afbNames[] = {"EAFB1", "EAFB2", "EAFB3", "EAFB4", "EAFB5", "EAFB6",
                                           "EAFB7", "EAFB8", "EAFB9", "EAFB10", "EAFB11", "EAFB12"};
    static const char* const afbLabels[] = {"LAFB1", "LAFB2", "LAFB3", "LAFB4", "LAFB5", "LAFB6",
                                            "LAFB7", "LAFB8", "LAFB9", "LAFB10", "LAFB11", "LAFB12"};
    for (int i = 0; i < quorvan::kAfMethodBLists; ++i) {
        const int x = i < 6 ? 4 : 246, y = 26 + (i % 6) * 24;
        label(page, afbLabels[i], QString::number(i + 1), x, y + 2, 18, 16, 0)->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
        EAFB[i] = edit(page, afbNames[i], 0, x + 22, y, 214);
        EAFB[i]->setToolTip(QStringLiteral("A transmitter's own frequency, then its alternatives; R marks a "
                                           "regional variant, e.g. \"98.5: 87.6 101.2 104.1R\""));
    }
    label(page, "LAFBH", QStringLiteral("Each line: tuned frequency, then its alternatives (R: regional), "
                                        "e.g. 98.5: 87.6 101.2 104.1R"),
          8, 170, 472, 16, 0);

    // "Other networks"
    page = TSEXE;
    const int columns[] = {20, 66, 150, 330, 430, 458};
    const char* const headers[] = {"PI", "PS", "AF (method A)", "PTY", "TP", "TA"};
    const char* const headerNames[] = {"LEONPI", "LEONPS", "LEONAF", "LEONPTY", "LEONTP", "LEONTA"};
    for (int c = 0; c < 6; ++c)
        label(page, headerNames[c], QLatin1String(headers[c]), columns[c], 0, c == 2 ? 170 : 40);
    for (int i = 0; i < quorvan::kOtherNetworks; ++i) {
        const int y = 17 + i * 21;
        const QByteArray n = QByteArray::number(i + 1);
        label(page, ("LEON" + n).constData(), QString::number(i + 1), 4, y + 2, 12, 16, 0);
        EEONPI[i] = edit(page, ("EEON" + n + "PI").constData(), 4, columns[0], y, 42);
        EEONPI[i]->setToolTip(QStringLiteral("The other network's PI, hexadecimal; empty: not sent"));
        EEONPS[i] = edit(page, ("EEON" + n + "PS").constData(), 8, columns[1], y, 80);
        EEONAF[i] = edit(page, ("EEON" + n + "AF").constData(), 0, columns[2], y, 176);
        EEONAF[i]->setToolTip(QStringLiteral("Its alternative frequencies in MHz, e.g. \"87.6 101.2\""));
        CBEONPTY[i] = dropDown(page, ("CBEON" + n + "PTY").constData(), ptyItems(), columns[3], y, 96);
        CBEONPTY[i]->setMaxVisibleItems(16);
        CBEONTP[i] = check(page, ("CBEON" + n + "TP").constData(), QString(), columns[4] + 2, y + 2, 20, 17, 0);
        CBEONTA[i] = check(page, ("CBEON" + n + "TA").constData(), QString(), columns[5] + 2, y + 2, 20, 17, 0);
    }

    // "Round"
    page = TSEXR;
    label(page, "LGRPSEQ", QStringLiteral("The group types in the order they go on air (empty: the default round)"),
          8, 6, 472);
    EGRPSEQ = edit(page, "EGRPSEQ", 0, 8, 26, 472);
    EGRPSEQ->setToolTip(QStringLiteral("e.g. \"0A 2A 0A 1A 0A 2A 0A 15A\""));
    // The group types in two columns, and below the second one what becomes of them.
    QLabel* types = label(page, "LGRPTYP",
                          QStringLiteral("0A  PS, flags, AF\n"
                                         "1A  ECC, LIC, programme item\n"
                                         "2A  radiotext\n"
                                         "3A  open data announcements\n"
                                         "4A  clock time, where due\n"
                                         "10A  PTYN"),
                          8, 52, 220, 84, 0);
    types->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    QLabel* more = label(page, "LGRPTYP2",
                         QStringLiteral("11A  RT+\n"
                                        "12A  eRT\n"
                                        "14A  other networks\n"
                                        "15A  Long PS\n"
                                        "U  the user group"),
                         236, 52, 244, 70, 0);
    more->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    QLabel* off = label(page, "LGRPOFF",
                        QStringLiteral("A type whose value is not set goes out as 0A. Open data announcements "
                                       "and clock time are put in where due, also in a round of your own."),
                        8, 140, 472, 40, 0);
    off->setWordWrap(true);
    off->setAlignment(Qt::AlignLeft | Qt::AlignTop);
}

void TForm1::connectExtendedPage()
{
    for (LimitedLineEdit* hex : {EECC, ELIC})
        new KeyPressFilter(hex, [](char& key) { key = quorvan::KeyInPi(key).value_or(0); },
                           KeyPressFilter::Unseen::Discard);
    connect(PI, &QLineEdit::textChanged, this, &TForm1::FillCountryPicker);
    connect(CBCTRY, &QComboBox::activated, this, [this](int) { CBCTRYChange(); });
    connect(CBLANG, &QComboBox::activated, this, [this](int) { CBLANGChange(); });
    connect(EECC, &QLineEdit::textChanged, this, &TForm1::FillCountryPicker);
    connect(ELIC, &QLineEdit::textChanged, this, &TForm1::ShowLanguage);
    connect(ELPS, &QLineEdit::textChanged, this, &TForm1::ShowExtendedCounts);
    connect(EERT, &QLineEdit::textChanged, this, &TForm1::ShowExtendedCounts);
    for (LimitedLineEdit* e : {EECC, ELIC, EPIN, ELPS, EERT, EGRPSEQ})
        new ExitFilter(e, [this, e] { ExtendedFieldExit(e); });
    for (int i = 0; i < quorvan::kAfMethodBLists; ++i)
        new ExitFilter(EAFB[i], [this, e = EAFB[i]] { ExtendedFieldExit(e); });
    for (int i = 0; i < quorvan::kOtherNetworks; ++i) {
        new KeyPressFilter(EEONPI[i], [](char& key) { key = quorvan::KeyInPi(key).value_or(0); },
                           KeyPressFilter::Unseen::Discard);
        for (LimitedLineEdit* e : {EEONPI[i], EEONAF[i]})
            new ExitFilter(e, [this, e] { ExtendedFieldExit(e); });
    }
    FillCountryPicker();
    FillLanguagePicker();
    ShowExtendedCounts();
}

// ---- bindings, refusal and hints ------------------------------------------------------

namespace {

using quorvan::Parsed;

// A field bound through the core's text of it: `Read{}(row, text)` parses
// (Parsed<T>), `Write{}(value)` formats. Both are captureless lambdas, so
// that the binding holds plain function pointers.
template <class T, class Read, class Write>
StationBinding::Converted converted(T& field, Read, Write)
{
    StationBinding::Converted c;
    c.field = &field;
    c.format = [](const void* f, int) { return Write{}(*static_cast<const T*>(f)); };
    c.parse = [](void* f, int row, const std::string& text) {
        const Parsed<T> r = Read{}(row, text);
        Parsed<std::string> out{r.ok, {}, r.message};
        if (r.ok) {
            *static_cast<T*>(f) = r.value;
            out.value = Write{}(r.value);
        }
        return out;
    };
    return c;
}

// The settings file's key of a row ("AFB3", "EON2PI"): the key a refusal names.
std::string rowKey(const char* prefix, int row, const char* suffix = "")
{
    return prefix + std::to_string(row + 1) + suffix;
}

// Method B list `row` of the lists, which are kept closed up: the rows are
// read in order into an empty list, so a filled row goes after the filled
// rows above it, and an empty row adds none.
StationBinding::Converted afMethodBRow(std::vector<quorvan::AfMethodBList>& lists)
{
    using Lists = std::vector<quorvan::AfMethodBList>;
    StationBinding::Converted c;
    c.field = &lists;
    c.format = [](const void* f, int row) {
        const Lists& l = *static_cast<const Lists*>(f);
        return std::size_t(row) < l.size() ? quorvan::FormatAfMethodBList(l[std::size_t(row)]) : std::string();
    };
    c.parse = [](void* f, int row, const std::string& text) {
        const auto r = quorvan::ParseAfMethodBList(rowKey("AFB", row), text);
        Parsed<std::string> out{r.ok, {}, r.message};
        if (r.ok && r.value) {
            static_cast<Lists*>(f)->push_back(*r.value);
            out.value = quorvan::FormatAfMethodBList(*r.value);
        }
        return out;
    };
    return c;
}

} // namespace

// Every extended value: those whose text is the value itself (PTYN, the other
// networks' PS) as station texts, those with a text form of their own
// through the core's format and parse of it (content/extended_text.h).
void TForm1::AddExtendedBindings(std::vector<StationBinding>& t, quorvan::ExtendedValues& v) const
{
    using K = StationBinding::Kind;
    const auto add = [&t](K kind, QObject* widget, auto* field) { t.push_back(StationBinding{kind, widget, field}); };
    const auto convert = [&t](QObject* widget, StationBinding::Converted c, int row = 0) {
        t.push_back(StationBinding{K::Converted, widget, c, row});
    };
    const auto hex = [](std::uint8_t code) { return quorvan::FormatHexCode(code); };
    convert(EECC, converted(v.ecc, [](int, const std::string& s) { return quorvan::ParseEcc("ECC", s); }, hex));
    convert(ELIC, converted(v.lic, [](int, const std::string& s) { return quorvan::ParseLic("LIC", s); }, hex));
    convert(EPIN, converted(v.pin, [](int, const std::string& s) { return quorvan::ParsePin("PIN", s); },
                            [](const std::optional<quorvan::ProgrammeItem>& pin) { return quorvan::FormatPin(pin); }));
    add(K::StationText, EPTYN, &v.ptyn);
    const auto same = [](const std::string& text) { return text; };
    convert(ELPS, converted(v.longPs, [](int, const std::string& s) {
                                return quorvan::ParseUtf8Text("LongPS", s, quorvan::kLongPsBytes);
                            }, same));
    convert(EERT, converted(v.ert, [](int, const std::string& s) {
                                return quorvan::ParseUtf8Text("ERT", s, quorvan::kErtBytes);
                            }, same));
    add(K::Check, CBERTRT, &v.ertFromRt);
    using quorvan::AfMethod;
    t.push_back(StationBinding{K::Choice, RBAFMA, StationBinding::Choice::of(v.afMethod, AfMethod::A, AfMethod::A)});
    t.push_back(StationBinding{K::Choice, RBAFMB, StationBinding::Choice::of(v.afMethod, AfMethod::B, AfMethod::A)});
    for (int i = 0; i < quorvan::kAfMethodBLists; ++i)
        convert(EAFB[i], afMethodBRow(v.afB), i);
    for (int i = 0; i < quorvan::kOtherNetworks; ++i) {
        quorvan::OtherNetwork& n = v.eon[std::size_t(i)];
        convert(EEONPI[i], converted(n.pi, [](int row, const std::string& s) {
                                         return quorvan::ParseOtherPi(rowKey("EON", row, "PI"), s);
                                     }, [](std::uint16_t pi) { return quorvan::FormatOtherPi(pi); }), i);
        add(K::StationText, EEONPS[i], &n.ps);
        convert(EEONAF[i], converted(n.af, [](int row, const std::string& s) {
                                         return quorvan::ParseAfListA(rowKey("EON", row, "AF"), s);
                                     }, [](const std::vector<std::uint8_t>& af) { return quorvan::FormatAfListA(af); }), i);
        add(K::Index, CBEONPTY[i], &n.pty);
        add(K::Check, CBEONTP[i], &n.tp);
        add(K::Check, CBEONTA[i], &n.ta);
    }
    convert(EGRPSEQ, converted(v.groupSequence, [](int, const std::string& s) {
                                   return quorvan::ParseGroupSequence("GroupSequence", s);
                               }, [](const std::vector<quorvan::SequenceGroup>& g) {
                                   return quorvan::FormatGroupSequence(g);
                               }));
}

void TForm1::AcceptExtendedText(QLineEdit* field)
{
    field->setProperty("accepted", field->text());
}

void TForm1::ShowExtendedHint(const QString& hint, bool refused)
{
    LEXTHINT->setText(hint);
    LEXTHINT->setToolTip(hint); // the whole line, where the label cuts it
    QPalette p = LEXTHINT->palette();
    p.setColor(QPalette::WindowText, refused ? QColor(0xB0, 0x20, 0x20) : palette().color(QPalette::WindowText));
    LEXTHINT->setPalette(p);
}

void TForm1::ExtendedFieldExit(LimitedLineEdit* field)
{
    quorvan::TStationParams p;
    for (const StationBinding& b : StationBindings(p)) {
        if (b.widget != field || b.kind != StationBinding::Kind::Converted)
            continue;
        const StationBinding::Converted& c = std::get<StationBinding::Converted>(b.field);
        const quorvan::Parsed<std::string> r = c.parse(c.field, b.row, field->text().toStdString());
        if (!r.ok) {
            ShowExtendedHint(QString::fromStdString(r.message), true);
            field->setText(field->property("accepted").toString());
            return;
        }
        const QString normal = QString::fromStdString(r.value);
        if (field->text() != normal)
            field->setText(normal);
        AcceptExtendedText(field);
        ShowExtendedHint(QString::fromStdString(r.message)); // a note (a text cut), or nothing
        return;
    }
}

void TForm1::ShowFollowedErt(const quorvan::ExtendedValues& v)
{
    const QString ert = QString::fromStdString(v.ert);
    if (!v.ertFromRt || EERT->text() == ert)
        return;
    EERT->setText(ert);
    AcceptExtendedText(EERT);
}

void TForm1::ShowExtendedCounts()
{
    LLPSN->setText(QStringLiteral("%1 / %2 bytes").arg(ELPS->text().toUtf8().size()).arg(quorvan::kLongPsBytes));
    LERTN->setText(QStringLiteral("%1 / %2 bytes").arg(EERT->text().toUtf8().size()).arg(quorvan::kErtBytes));
}

// ---- country and language ------------------------------------------------------------

void TForm1::FillCountryPicker()
{
    const std::uint8_t nibble = static_cast<std::uint8_t>(quorvan::PIValue(toBytes(PI->text())) >> 12);
    const std::uint8_t ecc = static_cast<std::uint8_t>(quorvan::HexTextValue(toBytes(EECC->text())));
    const QSignalBlocker block(CBCTRY);
    CBCTRY->clear();
    CBCTRY->addItem(QStringLiteral("(not sent)"), 0);
    for (const quorvan::CountryCode& c : quorvan::CountriesWithNibble(nibble))
        CBCTRY->addItem(QString::fromUtf8(c.name.data(), qsizetype(c.name.size())), c.ecc);
    if (EECC->text().isEmpty() || ecc == 0) {
        CBCTRY->setCurrentIndex(0);
        return;
    }
    const int at = CBCTRY->findData(ecc);
    if (at < 0) // an ECC the PI's country digit does not go with
        CBCTRY->addItem(QStringLiteral("(ECC %1: no country with PI %2...)")
                            .arg(toQt(quorvan::HexByteText(ecc)))
                            .arg(QString::number(nibble, 16).toUpper()),
                        ecc);
    CBCTRY->setCurrentIndex(at < 0 ? CBCTRY->count() - 1 : at);
}

void TForm1::CBCTRYChange()
{
    const int ecc = CBCTRY->currentData().toInt();
    EECC->setText(ecc == 0 ? QString() : toQt(quorvan::HexByteText(std::uint8_t(ecc))));
    ExtendedFieldExit(EECC);
}

void TForm1::FillLanguagePicker()
{
    std::vector<quorvan::LanguageCode> languages(quorvan::Languages().begin(), quorvan::Languages().end());
    std::stable_sort(languages.begin(), languages.end(),
                     [](const quorvan::LanguageCode& a, const quorvan::LanguageCode& b) {
                         return (a.code != 0 && b.code != 0) ? a.name < b.name : a.code == 0 && b.code != 0;
                     });
    const QSignalBlocker block(CBLANG);
    CBLANG->clear();
    for (const quorvan::LanguageCode& l : languages)
        CBLANG->addItem(l.code == 0 ? QStringLiteral("(not sent)") : QString::fromUtf8(l.name.data(), qsizetype(l.name.size())),
                        l.code);
    ShowLanguage();
}

void TForm1::ShowLanguage()
{
    const int lic = ELIC->text().isEmpty() ? 0 : int(quorvan::HexTextValue(toBytes(ELIC->text())));
    const QSignalBlocker block(CBLANG);
    CBLANG->setCurrentIndex(CBLANG->findData(lic)); // none for a code not allocated
}

void TForm1::CBLANGChange()
{
    const int lic = CBLANG->currentData().toInt();
    ELIC->setText(lic == 0 ? QString() : toQt(quorvan::HexByteText(std::uint8_t(lic))));
    ExtendedFieldExit(ELIC);
}

void TForm1::ShowExtendedNote()
{
    const bool virtualEncoder = Link().Extension != nullptr;
    LEXTNOTE->setText(virtualEncoder ? QStringLiteral("Sent by the virtual encoder")
                                     : QStringLiteral("Software encoder only"));
    QPalette p = LEXTNOTE->palette();
    p.setColor(QPalette::WindowText, virtualEncoder ? palette().color(QPalette::WindowText) : QColor(0xB0, 0x20, 0x20));
    LEXTNOTE->setPalette(p);
    const QString why = QStringLiteral("A real encoder chip receives none of these values; the software encoder "
                                       "(the virtual encoder, quorvanctl air) sends them.");
    LEXTNOTE->setToolTip(virtualEncoder ? QString() : why);
    // On a real port the empty fields say so too, where they are wide enough
    // for it; every field has the reason as its tooltip's first line.
    const QString only = QStringLiteral("software encoder only");
    for (LimitedLineEdit* e : TSEXT->findChildren<LimitedLineEdit*>()) {
        if (e->width() >= 150)
            e->setPlaceholderText(virtualEncoder ? QString() : only);
    }
    for (QWidget* w : TSEXT->findChildren<QWidget*>()) {
        if (w->objectName().isEmpty()
            || (!qobject_cast<QLineEdit*>(w) && !qobject_cast<QAbstractButton*>(w) && !qobject_cast<QComboBox*>(w)))
            continue;
        if (!w->property("ownToolTip").isValid())
            w->setProperty("ownToolTip", w->toolTip());
        const QString own = w->property("ownToolTip").toString();
        w->setToolTip(virtualEncoder ? own : own.isEmpty() ? why : why + QLatin1Char('\n') + own);
    }
}

} // namespace quorvan_app
