#include "softpot/gui/close_question.h"

#include "gui/message_box_notifier.h"

#include <QMessageBox>
#include <QPushButton>

namespace korvelo {

CloseChoice askCloseQuestion(QWidget* parent, const std::string& question) {
    QMessageBox box(QMessageBox::Warning, QString::fromLatin1(kMessageCaption),
                    QString::fromStdString(question), QMessageBox::NoButton, messageParent(parent));
    QPushButton* program = box.addButton(QStringLiteral("Program"), QMessageBox::AcceptRole);
    QPushButton* discard = box.addButton(QStringLiteral("Discard"), QMessageBox::DestructiveRole);
    QPushButton* cancel = box.addButton(QStringLiteral("Cancel"), QMessageBox::RejectRole);
    program->setAccessibleName(QStringLiteral("Program"));
    discard->setAccessibleName(QStringLiteral("Discard"));
    cancel->setAccessibleName(QStringLiteral("Cancel"));
    box.setDefaultButton(program);
    box.setEscapeButton(cancel);
    box.exec();
    if (box.clickedButton() == program)
        return CloseChoice::Program;
    if (box.clickedButton() == discard)
        return CloseChoice::Discard;
    return CloseChoice::Cancel;
}

bool closeSoftpotPages(QWidget* parent, std::span<SoftpotGroup* const> pages) {
    return closePages(pages, [parent](const std::string& question) {
        return askCloseQuestion(parent, question);
    });
}

} // namespace korvelo
