#include "IncomingRenderer.h"

#include "IncomingEntry.h"
#include "IncomingView.h"
#include "SmileyMatcher.h"
#include "SmileyPictures.h"

namespace {

// The header as shown: a message from a pinned key says so; one in the open
// that claims a pinned name is preceded by a warning no one can overlook.
QString markedHeader(IncomingView &view, const IncomingEntry &entry)
{
    switch (entry.origin) {
    case IncomingEntry::Origin::Verified:
        return entry.header + IncomingRenderer::kVerifiedMark;
    case IncomingEntry::Origin::Unverified:
        view.appendLine(IncomingRenderer::kUnverifiedWarning);
        return entry.header;
    case IncomingEntry::Origin::Open:
        break;
    }
    return entry.header;
}

} // namespace

void IncomingRenderer::render(IncomingView &view, const IncomingEntry &entry, const std::function<void()> &scrollToEnd)
{
    if (entry.kind == IncomingEntry::Kind::MissedWhileAnswering) {
        const IncomingView::Entry layout(view);
        view.beginMessage();
        view.appendLine(markedHeader(view, entry));
        view.appendLine(QString());
        return;
    }
    {
        // One layout for the whole message, however many pieces it has.
        const IncomingView::Entry layout(view);
        view.beginMessage();
        view.appendLine(markedHeader(view, entry));
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
