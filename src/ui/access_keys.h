#pragma once
// Access keys (the underlined letter, "&" in a caption) for captions made
// at run time, such as the simulator's lists of controllers.
#include <QChar>
#include <QSet>
#include <QString>

namespace pelko {

// The caption's access key, upper-cased; a null QChar when it has none
// ("&&" is a plain ampersand).
QChar AccessKey(const QString& caption);
// The caption with an access key on its first character that is not in
// used yet: a Russian letter if it has one free, else any letter or digit.
// The key is added to used. A caption without such a character gets none.
QString WithFreeAccessKey(const QString& caption, QSet<QChar>& used);

}  // namespace pelko
