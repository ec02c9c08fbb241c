#include "ui/access_keys.h"

namespace pelko {

namespace {

bool Cyrillic(QChar c) {
    return c.script() == QChar::Script_Cyrillic && c.isLetter();
}

}  // namespace

QChar AccessKey(const QString& caption) {
    for (qsizetype i = 0; i + 1 < caption.size(); ++i) {
        if (caption[i] != QLatin1Char('&')) continue;
        if (caption[i + 1] != QLatin1Char('&')) return caption[i + 1].toUpper();
        ++i;
    }
    return {};
}

QString WithFreeAccessKey(const QString& caption, QSet<QChar>& used) {
    QString plain = caption;
    plain.replace(QLatin1Char('&'), QStringLiteral("&&"));
    for (auto fits : {&Cyrillic, +[](QChar c) { return c.isLetterOrNumber(); }}) {
        for (qsizetype i = 0; i < plain.size(); ++i) {
            const QChar c = plain[i];
            if (!fits(c) || used.contains(c.toUpper())) continue;
            used.insert(c.toUpper());
            return plain.left(i) + QLatin1Char('&') + plain.mid(i);
        }
    }
    return plain;
}

}  // namespace pelko
