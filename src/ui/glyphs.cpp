#include "ui/glyphs.h"

// The resources live in a static library: nothing would pull them in.
static void InitGlyphs() { Q_INIT_RESOURCE(glyphs); }

namespace pelko {

QIcon Glyph(const QString& name) {
    static const bool loaded = (InitGlyphs(), true);
    (void)loaded;
    return QIcon(QStringLiteral(":/glyphs/%1.svg").arg(name));
}

QIcon Emblem() { return Glyph(QStringLiteral("confpelko")); }

}  // namespace pelko
