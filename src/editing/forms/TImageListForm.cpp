#include "editing/forms/TImageListForm.h"
#include "core/UserInterface.h"
#include "ui/Help.h"
#include <QCheckBox>
#include <QDesktopServices>
#include <QDialogButtonBox>
#include <QGridLayout>
#include <QLabel>
#include <QListWidget>
#include <QPixmap>
#include <QPushButton>
#include <QScrollArea>
#include <QScrollBar>
#include <QShortcut>
#include <QVBoxLayout>

namespace belvanto {

QImage ReadPicture(const PictureLookup& lookup)
{
    if (lookup.outcome != PictureLookup::Outcome::Found) return QImage();
    if (lookup.extension == QLatin1String("jpg") || lookup.extension == QLatin1String("jpeg")) {
        const auto picture = DecodeJpegFile(lookup.file);
        if (!picture) return QImage();
        return QImage(picture->rgb.data(), picture->width, picture->height, picture->width * 3, QImage::Format_RGB888)
            .copy();
    }
    // Read as what the extension says, never guessed from the contents.
    QImage image;
    if (lookup.extension == QLatin1String("bmp")) image.load(lookup.file, "BMP");
    else if (lookup.extension == QLatin1String("ico")) image.load(lookup.file, "ICO");
    return image;
}

TImageListForm::TImageListForm(UserInterface& ui, ImageKind kind, const QString& unitName, const QString& folder,
                               const QStringList& entries, QWidget* parent)
    : QDialog(parent), openUrl([](const QUrl& url) { return QDesktopServices::openUrl(url); }), ui_(ui),
      folder_(folder)
{
    setObjectName(QStringLiteral("ImageListForm"));
    setWindowTitle(QStringLiteral("Drawing list of %1").arg(unitName));

    ImageList = new QListWidget(this);
    ImageList->setObjectName(QStringLiteral("ImageList"));
    ImageList->addItems(entries);
    ImageList->setFixedWidth(fontMetrics().horizontalAdvance(QLatin1Char('0')) * 18);
    ListTitle = new QLabel(QStringLiteral("List of %1s").arg(ImageKindName(kind)), this);
    ListTitle->setObjectName(QStringLiteral("ListTitle"));
    ListTitle->setBuddy(ImageList);

    ImageLabel = new QLabel(this);
    ImageLabel->setObjectName(QStringLiteral("ImageLabel"));
    ImageLabel->setAlignment(Qt::AlignCenter);
    ImageLabel->setWordWrap(true);
    ImageArea = new QScrollArea(this);
    ImageArea->setObjectName(QStringLiteral("ImageArea"));
    ImageArea->setAlignment(Qt::AlignCenter);
    ImageArea->setWidget(ImageLabel);
    ImageArea->setFocusPolicy(Qt::NoFocus);
    const int frame = 2 * ImageArea->frameWidth();
    ImageArea->setFixedSize(kImageAreaWidth + frame, kImageAreaHeight + frame);

    FitCheck = new QCheckBox(QStringLiteral("Fit image to window"), this);
    FitCheck->setObjectName(QStringLiteral("FitCheck"));
    FitCheck->setChecked(true);

    auto* buttons = new QDialogButtonBox(this);
    ShowButton = buttons->addButton(QStringLiteral("&Show"), QDialogButtonBox::ActionRole);
    ShowButton->setObjectName(QStringLiteral("ShowButton"));
    CloseButton = buttons->addButton(QDialogButtonBox::Close);
    CloseButton->setObjectName(QStringLiteral("CloseButton"));
    // Enter closes the window; starting another program takes a click.
    ShowButton->setAutoDefault(false);
    CloseButton->setDefault(true);
    HelpButton = buttons->addButton(QDialogButtonBox::Help);
    HelpButton->setText(QStringLiteral("&Help"));
    HelpButton->setObjectName(QStringLiteral("HelpButton"));
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    connect(buttons, &QDialogButtonBox::helpRequested, this, [] { showHelp(HelpTopic(kImageListHelpName)); });
    auto* f1 = new QShortcut(QKeySequence(Qt::Key_F1), this);
    connect(f1, &QShortcut::activated, this, [] { showHelp(HelpTopic(kImageListHelpName)); });
    connect(ShowButton, &QPushButton::clicked, this, &TImageListForm::ShowButtonClick);
    connect(FitCheck, &QCheckBox::toggled, this, &TImageListForm::FitCheckClick);
    connect(ImageList, &QListWidget::currentRowChanged, this, &TImageListForm::ImageListClick);

    auto* grid = new QGridLayout;
    grid->addWidget(ListTitle, 0, 0);
    grid->addWidget(ImageList, 1, 0);
    grid->addWidget(ImageArea, 0, 1, 2, 1);
    grid->addWidget(FitCheck, 2, 1);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(grid);
    layout->addWidget(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);

    setTabOrder(ImageList, FitCheck);
    setTabOrder(FitCheck, ShowButton);
    setTabOrder(ShowButton, CloseButton);
    setTabOrder(CloseButton, HelpButton);
    ImageList->setFocus();

    if (ImageList->count() > 0) ImageList->setCurrentRow(0);   // shows it
    else showText(kNoPictureFound);
}

void TImageListForm::ImageListClick()
{
    showRow(ImageList->currentRow());
}

void TImageListForm::FitCheckClick()
{
    ImageLabel->resize(kImageAreaWidth, kImageAreaHeight);
    ImageArea->horizontalScrollBar()->setValue(0);
    ImageArea->verticalScrollBar()->setValue(0);
    showRow(ImageList->currentRow());
}

void TImageListForm::ShowButtonClick()
{
    // Only pictures: an entry may also match a program or a desktop file.
    if (!IsPictureFile(lookup_.file) || !openUrl(QUrl::fromLocalFile(lookup_.file))) ui_.beep();
}

void TImageListForm::showRow(int row)
{
    picture_ = QImage();
    lookup_ = row < 0 ? PictureLookup{} : FindPicture(folder_, ImageList->item(row)->text());
    ShowButton->setEnabled(IsPictureFile(lookup_.file));
    if (lookup_.outcome != PictureLookup::Outcome::Found) {
        showText(PictureLookupText(lookup_));
        return;
    }
    picture_ = ReadPicture(lookup_);
    if (picture_.isNull()) showText(kCannotReadPicture);
    else showPicture();
}

void TImageListForm::showText(const QString& text)
{
    ImageLabel->setPixmap(QPixmap());
    ImageLabel->setText(text);
    ImageLabel->resize(kImageAreaWidth, kImageAreaHeight);
}

void TImageListForm::showPicture()
{
    QSize size = picture_.size();
    if (FitCheck->isChecked()) {
        const auto fitted = FitPictureSize(picture_.width(), picture_.height());
        if (!fitted) {
            showText(kCannotReadPicture);
            return;
        }
        size = QSize(fitted->width, fitted->height);
    }
    const QImage shown =
        size == picture_.size() ? picture_ : picture_.scaled(size, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    ImageLabel->setText(QString());
    ImageLabel->setPixmap(QPixmap::fromImage(shown));
    ImageLabel->resize(size);
}

} // namespace belvanto
