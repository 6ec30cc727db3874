#pragma once
// The OK / Cancel / Help row that most dialogs end with.
#include "core/UserInterface.h"

class QDialog;
class QDialogButtonBox;
class QPushButton;

namespace belvanto {

struct DialogButtons {
    QDialogButtonBox* box = nullptr;
    QPushButton* ok = nullptr;       // "OKButton": accept(), which a dialog may override with its checks
    QPushButton* cancel = nullptr;   // "CancelButton": reject()
    QPushButton* help = nullptr;     // "HelpButton", with F1: the topic; none without a topic
};

DialogButtons addDialogButtons(QDialog* dialog, const HelpTopic& help);

} // namespace belvanto
