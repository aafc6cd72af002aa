#pragma once
// A two-line field for a long path. It wraps at any character (a path has few spaces to break
// at), keeps the path on one logical line, and behaves in a dialog like a single-line edit:
// Tab moves the focus and Return presses the default button. Read-only, it looks it (the
// background of a read-only field, as on the platform's dialogs) and its text stays selectable
// by mouse and keyboard.

#include <QPlainTextEdit>

class PathTextEdit : public QPlainTextEdit {
    Q_OBJECT
public:
    explicit PathTextEdit(QWidget* parent = nullptr);

    QString path() const { return toPlainText(); }
    void setPath(const QString& path) { setPlainText(path); }

protected:
    void changeEvent(QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void insertFromMimeData(const QMimeData* source) override;
};
