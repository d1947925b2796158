#include "app/translation.h"

#include "app/form1.h"
#include "app/latin1.h"

#include <QAction>
#include <QFile>
#include <QGroupBox>
#include <QHash>
#include <QLabel>
#include <QAbstractButton>
#include <QTabWidget>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace quorvan_app {

namespace {

std::string trimmed(std::string s)
{
    const auto blank = [](char c) { return c == ' ' || c == '\t'; };
    size_t b = 0;
    while (b < s.size() && blank(s[b]))
        ++b;
    size_t e = s.size();
    while (e > b && blank(s[e - 1]))
        --e;
    return s.substr(b, e - b);
}

bool equalsIgnoringCase(const QString& a, const QString& b)
{
    return a.compare(b, Qt::CaseInsensitive) == 0;
}

// The components the form owns, by their names in small letters; of two with
// the same name the first found wins.
using ComponentIndex = QHash<QString, QObject*>;

ComponentIndex indexComponents(QWidget* form)
{
    ComponentIndex index;
    const QList<QObject*> owned = form->findChildren<QObject*>();
    for (QObject* o : owned) {
        const QString name = o->objectName().toLower();
        if (!name.isEmpty() && !index.contains(name))
            index.insert(name, o);
    }
    return index;
}

bool applyEntry(QWidget* form, const ComponentIndex& components, const TxupLanguage::Entry& entry);

QTabWidget* owningTabWidget(QWidget* page)
{
    for (QWidget* w = page->parentWidget(); w; w = w->parentWidget()) {
        if (auto* tabs = qobject_cast<QTabWidget*>(w))
            return tabs->indexOf(page) >= 0 ? tabs : nullptr;
    }
    return nullptr;
}

} // namespace

std::vector<TxupLanguage::Entry> TxupLanguage::ReadSection(const QByteArray& content)
{
    std::vector<Entry> entries;
    bool inSection = false;
    qsizetype pos = 0;
    while (pos < content.size()) {
        qsizetype end = content.indexOf('\n', pos);
        if (end < 0)
            end = content.size();
        const qsizetype length = end - pos;
        const qsizetype start = pos;
        pos = end + 1;
        if (length > kMaxLineBytes)
            continue;
        std::string line(content.constData() + start, size_t(length));
        // A line ends at its first NUL byte, as the system's profile functions read it.
        if (const size_t nul = line.find('\0'); nul != std::string::npos)
            line.resize(nul);
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        line = trimmed(line);
        if (line.empty() || line[0] == ';')
            continue;
        if (line[0] == '[') {
            const size_t close = line.find(']');
            const std::string name = close == std::string::npos ? std::string() : trimmed(line.substr(1, close - 1));
            inSection = QString::fromLatin1(name.data(), qsizetype(name.size()))
                            .compare(QStringLiteral("TRANSLATIONS"), Qt::CaseInsensitive)
                        == 0;
            continue;
        }
        if (!inSection)
            continue;
        const size_t eq = line.find('=');
        if (eq == std::string::npos)
            continue;
        entries.push_back({trimmed(line.substr(0, eq)), trimmed(line.substr(eq + 1))});
    }
    return entries;
}

void TxupLanguage::Apply(QWidget* form, const QString& path)
{
    // Only a regular file is read: a FIFO put in its place would hold up the
    // start-up, waiting for a writer. A longer file is read up to the limit.
    const QByteArray native = QFile::encodeName(path);
    const int fd = ::open(native.constData(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (fd < 0)
        return;
    QByteArray content;
    struct stat st {};
    if (::fstat(fd, &st) == 0 && S_ISREG(st.st_mode)) {
        QFile file;
        if (file.open(fd, QIODevice::ReadOnly, QFileDevice::DontCloseHandle))
            content = file.read(kMaxFileBytes);
    }
    ::close(fd);
    const ComponentIndex components = indexComponents(form);
    for (const Entry& e : ReadSection(content))
        applyEntry(form, components, e);
}

bool TxupLanguage::ApplyEntry(QWidget* form, const Entry& entry)
{
    return applyEntry(form, indexComponents(form), entry);
}

namespace {

bool applyEntry(QWidget* form, const ComponentIndex& components, const TxupLanguage::Entry& entry)
{
    const QString key = toQt(entry.key);
    const qsizetype dot1 = key.indexOf(QLatin1Char('.'));
    if (dot1 < 0)
        return false;
    const QString formName = key.left(dot1);
    const qsizetype dot2 = key.indexOf(QLatin1Char('.'), dot1 + 1);
    if (dot2 < 0)
        return false;
    const QString componentName = key.mid(dot1 + 1, dot2 - dot1 - 1);
    const QString property = key.mid(dot2 + 1);
    if (formName != form->objectName() || componentName.isEmpty())
        return false;

    QObject* component = components.value(componentName.toLower());
    if (!component || Tag(component) <= 0)
        return false;
    QString text = toQt(entry.value);
    text.replace(QStringLiteral("~~"), QStringLiteral("\n"));
    return TxupLanguage::SetTextProperty(component, property, text);
}

} // namespace

bool TxupLanguage::SetTextProperty(QObject* component, const QString& property, const QString& text)
{
    if (equalsIgnoringCase(property, QStringLiteral("Caption"))) {
        if (auto* w = qobject_cast<QWidget*>(component)) {
            if (QTabWidget* tabs = owningTabWidget(w)) {
                tabs->setTabText(tabs->indexOf(w), text);
                return true;
            }
        }
        if (auto* b = qobject_cast<QAbstractButton*>(component)) {
            b->setText(text);
            return true;
        }
        if (auto* l = qobject_cast<QLabel*>(component)) {
            // A picture (the skin picture) has a hint but no caption: a text
            // would replace the picture.
            if (l->property(kPictureProperty).toBool())
                return false;
            l->setText(text);
            return true;
        }
        if (auto* g = qobject_cast<QGroupBox*>(component)) {
            g->setTitle(text);
            return true;
        }
        if (auto* a = qobject_cast<QAction*>(component)) {
            a->setText(text);
            return true;
        }
        return false;
    }
    if (equalsIgnoringCase(property, QStringLiteral("Hint"))) {
        if (auto* w = qobject_cast<QWidget*>(component)) {
            w->setToolTip(text);
            return true;
        }
        if (auto* a = qobject_cast<QAction*>(component)) {
            a->setToolTip(text);
            return true;
        }
        return false;
    }
    return false;
}

} // namespace quorvan_app
