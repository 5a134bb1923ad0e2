#ifndef ABOUTDIALOG_H
#define ABOUTDIALOG_H

#include <QDialog>

class QLabel;
class QPushButton;

namespace Ui {

// The About dialog's form, written by hand so that the compiler and library
// lines name what the program was really built with.
class AboutDialog
{
public:
    QLabel *label_3;
    QLabel *label_7;
    QLabel *label_5;
    QLabel *label_4;
    QLabel *label_6;
    QPushButton *okButton;
    QLabel *label_2;
    QLabel *label_8;
    QLabel *label;

    void setupUi(QDialog *dialog);
    void retranslateUi(QDialog *dialog);
};

} // namespace Ui

// Program title, version, date and the tools it is built with; "OK" closes it.
class AboutDialog : public QDialog
{
    Q_OBJECT
public:
    explicit AboutDialog(QWidget *parent = nullptr);
    ~AboutDialog() override;

private:
    Ui::AboutDialog ui;
};

#endif // ABOUTDIALOG_H
