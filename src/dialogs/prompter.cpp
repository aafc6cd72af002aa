#include "dialogs/prompter.h"

#include <QMessageBox>
#include <QString>
#include <atomic>

namespace {

class MessageBoxPrompter : public Prompter {
public:
    bool ask(Kind kind, const std::string& text, QWidget* owner) override {
        QMessageBox box(owner);
        box.setWindowTitle(QStringLiteral("Chorelin"));
        box.setText(QString::fromStdString(text));
        // The original boxes are system-modal; the closest here is a box that stays on top.
        box.setWindowModality(Qt::ApplicationModal);
        box.setWindowFlag(Qt::WindowStaysOnTopHint, true);
        switch (kind) {
        case Kind::Refusal:
            box.setIcon(QMessageBox::Warning);
            box.setStandardButtons(QMessageBox::Ok);
            break;
        case Kind::Fatal:
            box.setIcon(QMessageBox::Critical);
            box.setStandardButtons(QMessageBox::Ok);
            break;
        case Kind::Information:
            box.setIcon(QMessageBox::Information);
            box.setStandardButtons(QMessageBox::Ok);
            break;
        case Kind::Question:
            box.setIcon(QMessageBox::Question);
            box.setStandardButtons(QMessageBox::Yes | QMessageBox::No);
            box.setDefaultButton(QMessageBox::Yes);
            break;
        case Kind::ContinueQuestion:
            box.setIcon(QMessageBox::Warning);
            box.setStandardButtons(QMessageBox::Yes | QMessageBox::No);
            box.setDefaultButton(QMessageBox::No);
            break;
        }
        const int answer = box.exec();
        return answer == QMessageBox::Yes || answer == QMessageBox::Ok;
    }
};

std::atomic<Prompter*> installed{nullptr};

} // namespace

Prompter& prompter() {
    if (Prompter* p = installed.load())
        return *p;
    static MessageBoxPrompter messageBoxes;
    return messageBoxes;
}

void setPrompter(Prompter* replacement) {
    installed.store(replacement);
}
