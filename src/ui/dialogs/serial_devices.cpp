#include "ui/dialogs/serial_devices.h"

#include <QDir>

#include <algorithm>

namespace pelko {
namespace {

// Files, device nodes and links (a dangling link too), never folders.
constexpr QDir::Filters kEntries = QDir::Files | QDir::System | QDir::Hidden | QDir::CaseSensitive;

QStringList Sorted(const QString& folder, const QStringList& names) {
    QStringList paths;
    QStringList sorted = names;
    std::sort(sorted.begin(), sorted.end(), NaturalLess);
    for (const QString& name : sorted) paths << folder + QLatin1Char('/') + name;
    return paths;
}

// The run of digits or of other characters starting at i.
QStringView Run(const QString& s, qsizetype i) {
    const bool digits = s[i].isDigit();
    qsizetype end = i;
    while (end < s.size() && s[end].isDigit() == digits) ++end;
    return QStringView(s).mid(i, end - i);
}

}  // namespace

bool NaturalLess(const QString& a, const QString& b) {
    qsizetype i = 0, j = 0;
    while (i < a.size() && j < b.size()) {
        const QStringView ra = Run(a, i), rb = Run(b, j);
        if (ra[0].isDigit() && rb[0].isDigit()) {
            // Compare the numbers without their leading zeros: longer is larger.
            QStringView na = ra, nb = rb;
            while (na.size() > 1 && na[0] == u'0') na = na.mid(1);
            while (nb.size() > 1 && nb[0] == u'0') nb = nb.mid(1);
            if (na.size() != nb.size()) return na.size() < nb.size();
            if (const int c = na.compare(nb); c != 0) return c < 0;
            if (ra.size() != rb.size()) return ra.size() < rb.size();  // "01" after "1"
        } else if (const int c = ra.compare(rb); c != 0) {
            return c < 0;
        }
        i += ra.size();
        j += rb.size();
    }
    return a.size() - i < b.size() - j;
}

QStringList ListSerialDevices(const QString& folder) {
    QString devRoot = folder;
    while (devRoot.size() > 1 && devRoot.endsWith(QLatin1Char('/'))) devRoot.chop(1);
    const QString byIdFolder = devRoot + QStringLiteral("/serial/by-id");
    QStringList found = Sorted(byIdFolder, QDir(byIdFolder).entryList(kEntries | QDir::NoDotAndDotDot, QDir::NoSort));
    const QDir root(devRoot);
    for (const char* pattern : {"ttyUSB*", "ttyACM*", "ttyS*"})
        found << Sorted(devRoot, root.entryList({QString::fromLatin1(pattern)}, kEntries, QDir::NoSort));
    return found;
}

}  // namespace pelko
