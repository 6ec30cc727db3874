#pragma once
// "Configure link to images": the folders and name prefixes of photos and
// drawings and the separator between numbers.
#include "editing/ImageLinks.h"
#include <QDialog>

class QLineEdit;
class QPushButton;

namespace belvanto {

class Session;

class TImageLinkForm : public QDialog {
    Q_OBJECT
public:
    explicit TImageLinkForm(Session& session, QWidget* parent = nullptr);

    ImageLinkSettings settings() const;
    // After OK: whether the project's settings differ from before.
    bool changed() const { return changed_; }

    QLineEdit* PhotoPathEdit = nullptr;
    QLineEdit* PhotoPrefixEdit = nullptr;
    QPushButton* PhotoSearchButton = nullptr;
    QLineEdit* DrawingPathEdit = nullptr;
    QLineEdit* DrawingPrefixEdit = nullptr;
    QPushButton* DrawingSearchButton = nullptr;
    QLineEdit* SeparatorEdit = nullptr;
    QPushButton* OKButton = nullptr;
    QPushButton* CancelButton = nullptr;
    QPushButton* HelpButton = nullptr;

    // Checks; the values become the project's only when all pass.
    void accept() override;
    void PhotoSearchButtonClick();
    void DrawingSearchButtonClick();

private:
    void search(ImageKind kind, QLineEdit* path, QLineEdit* prefix);

    Session& session_;
    bool changed_ = false;
};

} // namespace belvanto
