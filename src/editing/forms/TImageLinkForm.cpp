#include "editing/forms/TImageLinkForm.h"
#include "core/UserInterface.h"
#include "store/Project.h"
#include "store/Session.h"
#include "ui/DialogButtons.h"
#include <QDialogButtonBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace belvanto {

namespace {

struct LinkGroup {
    QGroupBox* box;
    QLineEdit* path;
    QLineEdit* prefix;
    QPushButton* search;
};

LinkGroup makeGroup(QWidget* parent, const char* name, const QString& title, const QString& pathLabel,
                    const QString& prefixLabel, const QString& searchLabel, const QString& path,
                    const QString& prefix)
{
    const QString role = QString::fromLatin1(name);
    LinkGroup g;
    g.box = new QGroupBox(title, parent);
    g.box->setObjectName(role + QStringLiteral("Group"));
    g.path = new QLineEdit(path, g.box);
    g.path->setObjectName(role + QStringLiteral("PathEdit"));
    g.prefix = new QLineEdit(prefix, g.box);
    g.prefix->setObjectName(role + QStringLiteral("PrefixEdit"));
    g.search = new QPushButton(searchLabel, g.box);
    g.search->setObjectName(role + QStringLiteral("SearchButton"));
    g.search->setAutoDefault(false);
    for (QLineEdit* e : {g.path, g.prefix}) e->setMaxLength(kMaxStateValueLength);
    // Room for a folder such as /home/user/excavations/2024/photos.
    g.path->setMinimumWidth(g.path->fontMetrics().horizontalAdvance(QLatin1Char('x')) * 40);
    auto* pathText = new QLabel(pathLabel, g.box);
    pathText->setBuddy(g.path);
    auto* prefixText = new QLabel(prefixLabel, g.box);
    prefixText->setBuddy(g.prefix);
    auto* grid = new QGridLayout(g.box);
    grid->addWidget(pathText, 0, 0);
    grid->addWidget(g.path, 0, 1);
    grid->addWidget(g.search, 0, 2);
    grid->addWidget(prefixText, 1, 0);
    grid->addWidget(g.prefix, 1, 1);
    return g;
}

} // namespace

TImageLinkForm::TImageLinkForm(Session& session, QWidget* parent) : QDialog(parent), session_(session)
{
    setObjectName(QStringLiteral("ImageLinkForm"));
    setWindowTitle(QStringLiteral("Configure link to images"));
    const ImageLinkSettings now = ImageLinkSettingsOf(session.project());

    const LinkGroup photo = makeGroup(this, "Photo", QStringLiteral(" Link to Photos "), QStringLiteral("&Path:"),
                                      QStringLiteral("P&refix:"), QStringLiteral("&Search..."), now.photoPath,
                                      now.photoPrefix);
    PhotoPathEdit = photo.path;
    PhotoPrefixEdit = photo.prefix;
    PhotoSearchButton = photo.search;
    const LinkGroup drawing = makeGroup(this, "Drawing", QStringLiteral(" Link to Drawings "), QStringLiteral("P&ath:"),
                                        QStringLiteral("Pre&fix:"), QStringLiteral("S&earch..."), now.drawingPath,
                                        now.drawingPrefix);
    DrawingPathEdit = drawing.path;
    DrawingPrefixEdit = drawing.prefix;
    DrawingSearchButton = drawing.search;
    connect(PhotoSearchButton, &QPushButton::clicked, this, &TImageLinkForm::PhotoSearchButtonClick);
    connect(DrawingSearchButton, &QPushButton::clicked, this, &TImageLinkForm::DrawingSearchButtonClick);

    SeparatorEdit = new QLineEdit(now.separator, this);
    SeparatorEdit->setObjectName(QStringLiteral("SeparatorEdit"));
    SeparatorEdit->setMaxLength(1);
    SeparatorEdit->setFixedWidth(SeparatorEdit->fontMetrics().horizontalAdvance(QStringLiteral("MMMM")));
    auto* separatorText = new QLabel(QStringLiteral("&Separator:"), this);
    separatorText->setBuddy(SeparatorEdit);
    auto* separatorRow = new QHBoxLayout;
    separatorRow->addWidget(separatorText);
    separatorRow->addWidget(SeparatorEdit);
    separatorRow->addStretch();

    const DialogButtons buttons = addDialogButtons(this, HelpTopic(kImageLinkSettingsHelpName));
    OKButton = buttons.ok;
    CancelButton = buttons.cancel;
    HelpButton = buttons.help;

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(photo.box);
    layout->addWidget(drawing.box);
    layout->addLayout(separatorRow);
    layout->addWidget(buttons.box);
    layout->setSizeConstraint(QLayout::SetFixedSize);

    // Each group from top to bottom, its search button after the edits.
    QWidget* order[] = {PhotoPathEdit, PhotoPrefixEdit, PhotoSearchButton, DrawingPathEdit, DrawingPrefixEdit,
                        DrawingSearchButton, SeparatorEdit, OKButton, CancelButton, HelpButton};
    for (std::size_t i = 1; i < std::size(order); ++i) setTabOrder(order[i - 1], order[i]);
    PhotoPathEdit->setFocus();
}

ImageLinkSettings TImageLinkForm::settings() const
{
    return {PhotoPathEdit->text(), PhotoPrefixEdit->text(), DrawingPathEdit->text(), DrawingPrefixEdit->text(),
            SeparatorEdit->text()};
}

void TImageLinkForm::accept()
{
    const ImageLinkSettings values = settings();
    QLineEdit* focus = nullptr;
    switch (ValidateImageLinkSettings(session_.ui(), session_.project(), values)) {
    case ImageLinkFocus::None: break;
    case ImageLinkFocus::PhotoPath: focus = PhotoPathEdit; break;
    case ImageLinkFocus::DrawingPath: focus = DrawingPathEdit; break;
    case ImageLinkFocus::Separator: focus = SeparatorEdit; break;
    }
    if (focus) {
        focus->setFocus();
        focus->selectAll();
        return;
    }
    changed_ = ApplyImageLinkSettings(session_, values);
    QDialog::accept();
}

void TImageLinkForm::PhotoSearchButtonClick()
{
    search(ImageKind::Photo, PhotoPathEdit, PhotoPrefixEdit);
}

void TImageLinkForm::DrawingSearchButtonClick()
{
    search(ImageKind::Drawing, DrawingPathEdit, DrawingPrefixEdit);
}

void TImageLinkForm::search(ImageKind kind, QLineEdit* path, QLineEdit* prefix)
{
    const auto chosen = session_.ui().openFile(ImageSearchChoice(session_.project(), kind, path->text()));
    if (!chosen) return;
    const ImageSearchResult result = ImageSearchOutcome(*chosen, prefix->text());
    path->setText(result.path);
    prefix->setText(result.prefix);
}

} // namespace belvanto
