#pragma once

#include <QByteArray>
#include <QString>
#include <QTextCharFormat>

class QTextDocument;
class QWidget;

// The incoming view written to a file: always the whole view, whatever is
// selected. The file name's extension picks the format.
namespace IncomingSave {

enum class Format { PlainText, RichText };

// ".txt" in any case is plain text; every other name, rich text.
Format formatFor(const QString &path);

// What the view shows its text in where a fragment has no format of its own:
// the widget's font with its style, its text colour and, when not white, its
// background. The rich text is saved in it.
QTextCharFormat lookOf(const QWidget &view);

// Code page 1251, CR LF after every line (the last one too), each picture as the
// smiley code it was drawn for.
QByteArray plainText(const QTextDocument &document);
QByteArray content(const QTextDocument &document, Format format, const QTextCharFormat &look = {});

// Creates or replaces the file; false with *error when it cannot be written,
// and then a file that was there stays as it was.
bool save(const QTextDocument &document, const QString &path, QString *error, const QTextCharFormat &look = {});

} // namespace IncomingSave
