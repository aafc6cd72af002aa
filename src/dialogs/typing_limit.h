#pragma once
// A limit on how long the user may make a line edit's text, as the native edit control's text
// limit works: typing and pasting stop at the limit, while a longer text that the program puts
// into the field is shown and kept whole. The user may shorten such a text but not lengthen it;
// once it is within the limit, the limit holds again.

#include <QObject>
#include <QString>

class QLineEdit;

class TypingLimit : public QObject {
    Q_OBJECT
public:
    // Limits typing in `edit` to `limit` characters; the limit is owned by the edit.
    static void install(QLineEdit* edit, int limit);
    // Puts `text` into `edit` whole, however long, whatever limit it has.
    static void setWholeText(QLineEdit* edit, const QString& text);

private:
    TypingLimit(QLineEdit* edit, int limit);
    void follow();

    QLineEdit* edit_;
    int limit_;
};
