#include "IncomingText.h"

#include "IncomingView.h"

#include <QTextBlock>
#include <QTextDocument>
#include <QTextFragment>

#include <algorithm>

namespace IncomingText {

QString between(const QTextDocument &document, int from, int to)
{
    from = std::max(from, 0);
    to = std::min(to, document.characterCount() - 1); // the document's own last separator is no text
    QString text;
    for (QTextBlock block = document.findBlock(from); block.isValid() && block.position() <= to;
         block = block.next()) {
        if (block.position() > from)
            text += u'\n'; // the separator that ends the block before
        for (auto it = block.begin(); !it.atEnd(); ++it) {
            const QTextFragment fragment = it.fragment();
            const int start = std::max(from, fragment.position());
            const int end = std::min(to, fragment.position() + fragment.length());
            if (start >= end)
                continue;
            const QTextCharFormat format = fragment.charFormat();
            if (!format.isImageFormat()) {
                text += QStringView(fragment.text()).mid(start - fragment.position(), end - start);
                continue;
            }
            const QString code = format.stringProperty(IncomingView::kPictureTextProperty);
            for (int i = start; i < end; ++i)
                text += code;
        }
    }
    text.replace(QChar::LineSeparator, u'\n');
    return text;
}

} // namespace IncomingText
