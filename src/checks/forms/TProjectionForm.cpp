#include "checks/forms/TProjectionForm.h"
#include "core/NumericEntry.h"
#include "core/Regional.h"
#include "core/UserInterface.h"
#include "store/Session.h"
#include "ui/DialogButtons.h"
#include <QApplication>
#include <QCheckBox>
#include <QDialogButtonBox>
#include <QFocusEvent>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPixmap>
#include <QPushButton>
#include <QSpinBox>
#include <QTimer>
#include <QVBoxLayout>

namespace belvanto {

namespace {

QColor colourOf(qint32 c)
{
    return QColor(int(c & 0xFF), int((c >> 8) & 0xFF), int((c >> 16) & 0xFF));
}

// One pixel wide, no antialiasing: the picture's pixels are exactly those
// of its display data.
QImage paintPicture(const ProjectionPicture& picture)
{
    QImage image(picture.size, QImage::Format_RGB32);
    image.fill(Qt::white);
    QPainter painter(&image);
    painter.setPen(QPen(Qt::black, 0));
    for (const PictureBox& box : picture.boxes) {
        painter.setBrush(colourOf(box.fill));
        painter.drawRect(box.rect.adjusted(0, 0, -1, -1));
    }
    for (const PicturePixel& pixel : picture.pixels) {
        painter.setPen(QPen(colourOf(pixel.colour), 0));
        painter.drawPoint(pixel.at);
    }
    painter.setPen(QPen(Qt::black, 0));
    painter.setBrush(Qt::NoBrush);
    for (const QLine& line : picture.lines) painter.drawLine(line);
    if (picture.circle) painter.drawEllipse(picture.circle->centre, picture.circle->radius, picture.circle->radius);
    return image;
}

QLabel* pictureLabel(const char* name, QSize size, QWidget* parent)
{
    auto* label = new QLabel(parent);
    label->setObjectName(QString::fromLatin1(name));
    label->setFixedSize(size);
    return label;
}

// Focus changes the user makes; those of message boxes and windows coming
// and going do not leave a field.
bool leftByUser(Qt::FocusReason reason)
{
    return reason == Qt::TabFocusReason || reason == Qt::BacktabFocusReason || reason == Qt::MouseFocusReason
           || reason == Qt::ShortcutFocusReason;
}

} // namespace

TProjectionForm::TProjectionForm(ProjectionModel model, UserInterface& ui, const Regional& regional, QWidget* parent)
    : QDialog(parent), model_(std::move(model)), ui_(ui), regional_(regional)
{
    setObjectName(QStringLiteral("ProjectionForm"));
    setWindowTitle(QStringLiteral("Projection Configuration"));

    ProfileImage = pictureLabel("ProfileImage", kProfileSize, this);
    PlanImage = pictureLabel("PlanImage", kPlanSize, this);

    AngleEdit = new QSpinBox(this);
    AngleEdit->setObjectName(QStringLiteral("AngleEdit"));
    AngleEdit->setRange(0, 180);
    AngleEdit->setValue(model_.proposedAngle);
    MajorTicksEdit = new QLineEdit(regional_.formatFloat(kDefaultMajorTicks), this);
    MajorTicksEdit->setObjectName(QStringLiteral("MajorTicksEdit"));
    MinorTicksEdit = new QLineEdit(regional_.formatFloat(kDefaultMinorTicks), this);
    MinorTicksEdit->setObjectName(QStringLiteral("MinorTicksEdit"));
    ThematicCheck = new QCheckBox(QStringLiteral("Thematic &display"), this);
    ThematicCheck->setObjectName(QStringLiteral("ThematicCheck"));

    const DialogButtons buttons = addDialogButtons(this, HelpTopic(kProjectionHelpTopic));
    OKButton = buttons.ok;
    CancelButton = buttons.cancel;
    HelpButton = buttons.help;

    auto* fields = new QFormLayout;
    fields->addRow(QStringLiteral("&Section angle:"), AngleEdit);
    fields->addRow(QStringLiteral("Major &ticks:"), MajorTicksEdit);
    fields->addRow(QStringLiteral("&Minor ticks:"), MinorTicksEdit);
    fields->addRow(ThematicCheck);
    auto* side = new QVBoxLayout;
    side->addWidget(PlanImage);
    side->addSpacing(8);
    side->addLayout(fields);
    side->addStretch(1);
    auto* pictures = new QHBoxLayout;
    pictures->addWidget(ProfileImage, 0, Qt::AlignTop);
    pictures->addLayout(side);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(pictures);
    layout->addWidget(buttons.box);
    layout->setSizeConstraint(QLayout::SetFixedSize);

    setTabOrder(AngleEdit, MajorTicksEdit);
    setTabOrder(MajorTicksEdit, MinorTicksEdit);
    setTabOrder(MinorTicksEdit, ThematicCheck);
    setTabOrder(ThematicCheck, OKButton);
    AngleEdit->setFocus();

    for (QLineEdit* edit : {MajorTicksEdit, MinorTicksEdit}) edit->installEventFilter(this);
    connect(AngleEdit, &QSpinBox::valueChanged, this, &TProjectionForm::Redraw);
    connect(ThematicCheck, &QCheckBox::toggled, this, &TProjectionForm::Redraw);
    connect(MajorTicksEdit, &QLineEdit::textChanged, this, [this] { TicksEditChange(MajorTicksEdit, majorTicks_); });
    connect(MinorTicksEdit, &QLineEdit::textChanged, this, [this] { TicksEditChange(MinorTicksEdit, minorTicks_); });

    // The first pictures show the computed direction itself; after any
    // change they show that of the whole-degree angle.
    draw(model_.direction);
}

ProjectionChoice TProjectionForm::choice() const
{
    return {AngleEdit->value(), model_.meanX, model_.meanY};
}

void TProjectionForm::accept()
{
    for (QLineEdit* edit : {MajorTicksEdit, MinorTicksEdit}) {
        if (!checkTicks(edit)) {
            edit->setFocus();
            return;
        }
    }
    QDialog::accept();
}

bool TProjectionForm::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::FocusOut && (watched == MajorTicksEdit || watched == MinorTicksEdit)
        && leftByUser(static_cast<QFocusEvent*>(event)->reason())) {
        auto* edit = static_cast<QLineEdit*>(watched);
        // Qt has already moved the focus: it tells where to. The message
        // waits until the focus change is complete.
        if (QApplication::focusWidget() != CancelButton)
            QTimer::singleShot(0, this, [this, edit] { TicksEditExit(edit); });
    }
    return QDialog::eventFilter(watched, event);
}

std::optional<double> TProjectionForm::checkTicks(QLineEdit* edit)
{
    const QString subject = edit == MajorTicksEdit ? QStringLiteral("Major ticks") : QStringLiteral("Minor ticks");
    return CheckNonNegativeNumber(ui_, regional_, edit->text(), subject, true);
}

void TProjectionForm::TicksEditExit(QLineEdit* edit)
{
    // Closed meanwhile, or OK has checked the field already and put the
    // focus back.
    if (!isVisible() || edit->hasFocus()) return;
    if (checkTicks(edit)) return;
    edit->setFocus();
    edit->selectAll();
}

void TProjectionForm::TicksEditChange(QLineEdit* edit, double& spacing)
{
    const auto value = regional_.parseFloat(edit->text());
    if (!value || *value < 0) return;
    spacing = *value;
    Redraw();
}

void TProjectionForm::Redraw()
{
    draw(AngleDirection(AngleEdit->value()));
}

void TProjectionForm::draw(const SectionDirection& direction)
{
    const bool thematic = ThematicCheck->isChecked();
    ProfileImage->setPixmap(
        QPixmap::fromImage(paintPicture(ProfilePicture(model_, direction, majorTicks_, minorTicks_, thematic))));
    PlanImage->setPixmap(QPixmap::fromImage(paintPicture(PlanPicture(model_, direction, thematic))));
}

std::optional<ProjectionChoice> AskProjection(Session& session, QWidget* parent)
{
    ProjectionModel model;
    {
        BusyCursor busy(session.ui());
        model = AnalyseProjection(ReadProjectionPoints(session.units()));
    }
    if (const QString warning = ProjectionWarning(model.summary); !warning.isEmpty()) {
        session.ui().warning(warning);
        return std::nullopt;
    }
    TProjectionForm form(std::move(model), session.ui(), session.regional(), parent);
    if (form.exec() != QDialog::Accepted) return std::nullopt;
    return form.choice();
}

} // namespace belvanto
