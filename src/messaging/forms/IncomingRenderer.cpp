#include "IncomingRenderer.h"

#include "IncomingEntry.h"
#include "IncomingView.h"
#include "SmileyMatcher.h"
#include "SmileyPictures.h"

#include <QCoreApplication>

namespace {

// The header as shown: a message from a pinned key says so, and at which level;
// one that claims a pinned name the key did not back is preceded by a warning no one can overlook.
QString markedHeader(IncomingView &view, const IncomingEntry &entry)
{
    switch (entry.origin) {
    case IncomingEntry::Origin::Secure:
        return entry.header + IncomingRenderer::secureMark();
    case IncomingEntry::Origin::Compared:
        return entry.header + IncomingRenderer::comparedMark();
    case IncomingEntry::Origin::Unverified:
        view.appendLine(IncomingRenderer::unverifiedWarning());
        return entry.header;
    case IncomingEntry::Origin::Open:
        break;
    }
    return entry.header;
}

// The header and the text; the empty line after pictures is left to the caller.
void layOut(IncomingView &view, const IncomingEntry &entry)
{
    view.beginMessage();
    view.appendLine(markedHeader(view, entry));
    if (entry.kind == IncomingEntry::Kind::MissedWhileAnswering) {
        view.appendLine(QString());
        return;
    }
    if (!entry.smileys) {
        view.appendText(entry.text);
        return;
    }
    for (const SmileyPiece &piece : splitSmileys(entry.text)) {
        if (!piece.isSmiley())
            view.insertText(piece.text());
        else
            view.insertPicture(SmileyPictures::picture(piece.row()), piece.text());
    }
    view.insertLineBreak();
}

bool endsWithEmptyLine(const IncomingEntry &entry)
{
    return entry.kind == IncomingEntry::Kind::Message && entry.smileys;
}

void layOutAll(IncomingView &view, const QList<IncomingEntry> &entries, qsizetype from, qsizetype to,
               bool lastEmptyLine)
{
    if (from >= to)
        return;
    // One layout for all of them, however many pieces they have.
    const IncomingView::Entry layout(view);
    for (qsizetype i = from; i < to; ++i) {
        layOut(view, entries[i]);
        if (endsWithEmptyLine(entries[i]) && (i + 1 < to || lastEmptyLine))
            view.appendLine(QString());
    }
}

} // namespace

QString IncomingRenderer::secureMark()
{
    return QCoreApplication::translate("IncomingRenderer", "  [зашифровано; ключ не сверен]");
}

QString IncomingRenderer::comparedMark()
{
    return QCoreApplication::translate("IncomingRenderer", "  [зашифровано; ключ сверен]");
}

QString IncomingRenderer::unverifiedWarning()
{
    return QCoreApplication::translate("IncomingRenderer",
                                       "!!! НЕ ПОДТВЕРЖДЕНО: сообщение подписано именем компьютера, ключ которого "
                                       "известен, но этот ключ его не подтвердил. Отправителем может быть кто угодно. !!!");
}

void IncomingRenderer::render(IncomingView &view, const IncomingEntry &entry, const std::function<void()> &scrollToEnd)
{
    render(view, QList<IncomingEntry>{entry}, scrollToEnd);
}

void IncomingRenderer::render(IncomingView &view, const QList<IncomingEntry> &entries,
                              const std::function<void()> &scrollToEnd)
{
    qsizetype scrolled = -1; // the last entry asking for the scroll
    for (qsizetype i = 0; i < entries.size(); ++i) {
        if (entries[i].kind == IncomingEntry::Kind::Message && entries[i].scrollToEnd)
            scrolled = i;
    }
    if (scrolled >= 0) {
        layOutAll(view, entries, 0, scrolled + 1, false);
        // After the entries: the view has been laid out, so its end is known.
        if (scrollToEnd)
            scrollToEnd();
        if (endsWithEmptyLine(entries[scrolled]))
            view.appendLine(QString());
    }
    layOutAll(view, entries, scrolled + 1, entries.size(), true);
}
