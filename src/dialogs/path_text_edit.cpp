#include "dialogs/path_text_edit.h"

#include <QKeyEvent>
#include <QMimeData>
#include <QTextOption>

PathTextEdit::PathTextEdit(QWidget* parent) : QPlainTextEdit(parent) {
    setWordWrapMode(QTextOption::WrapAnywhere);
    setLineWrapMode(QPlainTextEdit::WidgetWidth);
    setTabChangesFocus(true);
    setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
}

void PathTextEdit::changeEvent(QEvent* event) {
    QPlainTextEdit::changeEvent(event);
    if (event->type() != QEvent::ReadOnlyChange)
        return;
    // A read-only field is drawn on the window's colour, as a disabled one is, instead of the
    // white of a field that takes input. Going read-only also leaves the text selectable by
    // mouse only; the keyboard may select it too.
    viewport()->setBackgroundRole(isReadOnly() ? QPalette::Window : QPalette::Base);
    if (isReadOnly())
        setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
}

void PathTextEdit::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
        // Left to the dialog, which presses its default button.
        event->ignore();
        return;
    }
    QPlainTextEdit::keyPressEvent(event);
}

void PathTextEdit::insertFromMimeData(const QMimeData* source) {
    // A pasted path may carry a line break at its end; a path never holds one.
    QString text = source->text();
    text.remove(QLatin1Char('\r'));
    text.remove(QLatin1Char('\n'));
    insertPlainText(text);
}
