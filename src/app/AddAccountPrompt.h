#pragma once

#include <QDialog>

class QLabel;
class QLineEdit;
class QPushButton;

namespace tovi {

// "Add account": a small dialog drawn like the window it comes from (its palette and fonts,
// no stock icons), of one fixed size, so that the window manager offers neither minimise nor
// maximise. Continue hands back the name as typed; trimming it is the view model's rule.
class AddAccountPrompt : public QDialog {
    Q_OBJECT
public:
    explicit AddAccountPrompt(QWidget* parent = nullptr);

    QLineEdit* field() const { return m_field; }
    QPushButton* continueButton() const { return m_continue; }
    QPushButton* cancelButton() const { return m_cancel; }

Q_SIGNALS:
    void nameChosen(const QString& typed);

private:
    QLineEdit* m_field;
    QPushButton* m_continue;
    QPushButton* m_cancel;
};

} // namespace tovi
