#include "IncomingRenderer.h"

#include "IncomingEntry.h"
#include "IncomingView.h"
#include "SmileyMatcher.h"
#include "SmileyPictures.h"

void IncomingRenderer::render(IncomingView &view, const IncomingEntry &entry, const std::function<void()> &scrollToEnd)
{
    if (entry.kind == IncomingEntry::Kind::MissedWhileAnswering) {
        view.appendLine(entry.header);
        view.appendLine(QString());
        return;
    }
    {
        // One layout for the whole message, however many pieces it has.
        const IncomingView::Entry layout(view);
        view.appendLine(entry.header);
        if (!entry.smileys) {
            view.appendText(entry.text);
        } else {
            for (const SmileyPiece &piece : splitSmileys(entry.text)) {
                if (!piece.isSmiley())
                    view.insertText(piece.text());
                else
                    view.insertPicture(SmileyPictures::picture(piece.row()), piece.text());
            }
            view.insertLineBreak();
        }
    }
    // After the entry: the view has been laid out, so its end is known.
    if (entry.scrollToEnd && scrollToEnd)
        scrollToEnd();
    if (entry.smileys)
        view.appendLine(QString());
}
