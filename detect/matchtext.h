#pragma once

#include <QByteArray>
#include <QStringView>

namespace detect {

// The matcher reads text as UTF-8 bytes, in which a surrogate that is not
// half of a pair may also stand, in the three bytes UTF-8 would give it if it
// were a character. Valid UTF-8 is such a text as it is, so a formula file
// needs no decoding; a text box's text, which may hold lone surrogates, is
// turned into one by MatchableText().
QByteArray MatchableText(QStringView text);

} // namespace detect
