#pragma once
// The image list window of the unit edit form's Drawings and Photos buttons:
// the entries of the field on the left, the picture of the selected one on
// the right.
#include "editing/ImageLinks.h"
#include <QDialog>
#include <QImage>
#include <QUrl>
#include <functional>

class QCheckBox;
class QLabel;
class QListWidget;
class QPushButton;
class QScrollArea;

namespace belvanto {

class UserInterface;

class TImageListForm : public QDialog {
    Q_OBJECT
public:
    // folder: where the pictures are; entries: the prefixed numbers.
    TImageListForm(UserInterface& ui, ImageKind kind, const QString& unitName, const QString& folder,
                   const QStringList& entries, QWidget* parent = nullptr);

    QLabel* ListTitle = nullptr;
    QListWidget* ImageList = nullptr;
    QScrollArea* ImageArea = nullptr;
    QLabel* ImageLabel = nullptr;
    QCheckBox* FitCheck = nullptr;
    QPushButton* ShowButton = nullptr;
    QPushButton* HelpButton = nullptr;
    QPushButton* CloseButton = nullptr;

    // Hands a file to the program the system associates with it; tests
    // replace it.
    std::function<bool(const QUrl&)> openUrl;

    // What the selected row found, and its picture when one could be read.
    const PictureLookup& lookup() const { return lookup_; }
    const QImage& picture() const { return picture_; }

    void ImageListClick();
    void FitCheckClick();
    void ShowButtonClick();

private:
    void showRow(int row);
    void showText(const QString& text);
    void showPicture();

    UserInterface& ui_;
    QString folder_;
    PictureLookup lookup_;
    QImage picture_;
};

// Reads a picture found by FindPicture: JPEG through libjpeg, bitmaps and
// icons through Qt; a null image for metafiles and whatever cannot be read.
QImage ReadPicture(const PictureLookup& lookup);

} // namespace belvanto
