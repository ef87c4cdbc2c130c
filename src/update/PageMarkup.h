#pragma once

#include <QString>
#include <QStringView>

// The information page as it is shown: its text with a small, flat set of
// markup that any document view lays out in linear time, whatever the page
// holds. Kept: paragraphs, line breaks, bold, italic, one level of lists and
// links to http and https addresses. Everything else (tables, nesting beyond
// that, images, styles, scripts, forms) is dropped and only its text is kept.
namespace PageMarkup {

// Characters of the page that are shown; the rest is cut off with a notice.
constexpr qsizetype kMaxShownChars = 128 * 1024;

// One pass over `html`; the result is well formed, never nested deeper than a
// list item holding a link holding bold and italic text.
QString flatten(QStringView html, qsizetype maxChars = kMaxShownChars);

} // namespace PageMarkup
