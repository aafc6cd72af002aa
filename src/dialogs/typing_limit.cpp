#include "dialogs/typing_limit.h"

#include <QLineEdit>
#include <algorithm>

TypingLimit::TypingLimit(QLineEdit* edit, int limit) : QObject(edit), edit_(edit), limit_(limit) {
    edit_->setMaxLength(std::max(limit_, static_cast<int>(edit_->text().size())));
    connect(edit_, &QLineEdit::textChanged, this, &TypingLimit::follow);
}

void TypingLimit::install(QLineEdit* edit, int limit) {
    new TypingLimit(edit, limit);
}

void TypingLimit::setWholeText(QLineEdit* edit, const QString& text) {
    const TypingLimit* typing =
        edit->findChild<TypingLimit*>(QString(), Qt::FindDirectChildrenOnly);
    const int limit = typing ? typing->limit_ : edit->maxLength();
    // Raised first: QLineEdit cuts a text to its maximum length.
    edit->setMaxLength(std::max(limit, static_cast<int>(text.size())));
    edit->setText(text);
}

void TypingLimit::follow() {
    // The field's maximum stays at the longer of the limit and the text, so a text set longer
    // is never cut and can only shrink.
    const int wanted = std::max(limit_, static_cast<int>(edit_->text().size()));
    if (wanted == edit_->maxLength())
        return;
    // A new maximum resets the field's text, and with it the cursor.
    const int cursor = edit_->cursorPosition();
    edit_->setMaxLength(wanted);
    edit_->setCursorPosition(cursor);
}
