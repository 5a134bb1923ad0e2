#include "aboutdialog.h"

#include <QCoreApplication>
#include <QFont>
#include <QFontMetrics>
#include <QLabel>
#include <QPushButton>

#include <Eigen/Core>

#define MARVEK_STRINGIFY_(x) #x
#define MARVEK_STRINGIFY(x) MARVEK_STRINGIFY_(x)

// Compile-time texts of the tools of this build.
#if defined(__clang__)
#define MARVEK_COMPILER_TEXT "Clang " MARVEK_STRINGIFY(__clang_major__) "." MARVEK_STRINGIFY(__clang_minor__) "." MARVEK_STRINGIFY(__clang_patchlevel__)
#elif defined(__GNUC__)
#define MARVEK_COMPILER_TEXT "GCC " MARVEK_STRINGIFY(__GNUC__) "." MARVEK_STRINGIFY(__GNUC_MINOR__) "." MARVEK_STRINGIFY(__GNUC_PATCHLEVEL__)
#elif defined(_MSC_VER)
#define MARVEK_COMPILER_TEXT "MSVC " MARVEK_STRINGIFY(_MSC_VER)
#else
#define MARVEK_COMPILER_TEXT "C++17 compiler"
#endif

#define MARVEK_QT_TEXT "Qt " QT_VERSION_STR " (qt.io)"
#define MARVEK_EIGEN_TEXT "Eigen " MARVEK_STRINGIFY(EIGEN_WORLD_VERSION) "." \
    MARVEK_STRINGIFY(EIGEN_MAJOR_VERSION) "." MARVEK_STRINGIFY(EIGEN_MINOR_VERSION) \
    " (eigen.tuxfamily.org)"

namespace Ui {

void AboutDialog::setupUi(QDialog *dialog)
{
    if (dialog->objectName().isEmpty())
        dialog->setObjectName(QStringLiteral("AboutDialog"));
    dialog->resize(376, 208);

    const auto makeLabel = [dialog](const char *name, const QRect &geometry) {
        auto *label = new QLabel(dialog);
        label->setObjectName(QLatin1String(name));
        label->setGeometry(geometry);
        return label;
    };
    label_3 = makeLabel("label_3", QRect(290, 80, 71, 16));
    label_7 = makeLabel("label_7", QRect(20, 160, 131, 16));
    label_5 = makeLabel("label_5", QRect(20, 120, 81, 16));
    label_4 = makeLabel("label_4", QRect(330, 60, 31, 16));
    label_6 = makeLabel("label_6", QRect(20, 140, 91, 16));
    okButton = new QPushButton(dialog);
    okButton->setObjectName(QStringLiteral("okButton"));
    okButton->setGeometry(QRect(280, 170, 75, 23));
    label_2 = makeLabel("label_2", QRect(20, 60, 81, 16));
    label_8 = makeLabel("label_8", QRect(20, 180, 201, 16));
    label = makeLabel("label", QRect(20, 10, 351, 41));

    QFont titleFont;
    titleFont.setPointSize(24);
    label->setFont(titleFont);

    retranslateUi(dialog);

    QObject::connect(okButton, SIGNAL(clicked()), dialog, SLOT(close()));
    QMetaObject::connectSlotsByName(dialog);
}

void AboutDialog::retranslateUi(QDialog *dialog)
{
    dialog->setWindowTitle(QCoreApplication::translate("AboutDialog", "About This Program"));
    label_3->setText(QCoreApplication::translate("AboutDialog", "Mar 6, 2019"));
    label_7->setText(QCoreApplication::translate("AboutDialog", MARVEK_QT_TEXT));
    label_5->setText(QCoreApplication::translate("AboutDialog", "Compiled with:"));
    label_4->setText(QCoreApplication::translate("AboutDialog", "v0.3"));
    label_6->setText(QCoreApplication::translate("AboutDialog", MARVEK_COMPILER_TEXT));
    okButton->setText(QCoreApplication::translate("AboutDialog", "OK"));
    label_2->setText(QCoreApplication::translate("AboutDialog", "Orvinel team"));
    label_8->setText(QCoreApplication::translate("AboutDialog", MARVEK_EIGEN_TEXT));
    label->setText(QCoreApplication::translate("AboutDialog", "Orvinel"));
}

} // namespace Ui

namespace {

// The form gives every text a fixed place drawn for a small dialog font. Where
// the system font is larger, the dialog's font is made smaller until each text
// fits the width of its place; the title keeps its own size.
void fitFontToTexts(QDialog *dialog, const QList<QLabel *> &labels)
{
    QFont font = dialog->font();
    const auto fits = [&labels](const QFont &candidate) {
        const QFontMetrics metrics(candidate);
        for (const QLabel *label : labels) {
            if (metrics.horizontalAdvance(label->text()) > label->width())
                return false;
        }
        return true;
    };
    if (font.pointSizeF() <= 0.0 || fits(font))
        return;
    while (font.pointSizeF() > 6.0 && !fits(font))
        font.setPointSizeF(font.pointSizeF() - 0.5);
    dialog->setFont(font);
}

} // namespace

AboutDialog::AboutDialog(QWidget *parent)
    : QDialog(parent)
{
    ui.setupUi(this);
    fitFontToTexts(this, {ui.label_3, ui.label_7, ui.label_5, ui.label_4, ui.label_6, ui.label_2,
                          ui.label_8});
}

AboutDialog::~AboutDialog() = default;
