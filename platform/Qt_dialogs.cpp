#include "platform/Qt_dialogs.h"

#include "platform/Forms.h"

#include <QApplication>
#include <QFileDialog>
#include <QGuiApplication>
#include <QInputDialog>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QScreen>

#include <algorithm>

namespace wk::platform {
namespace {

QString Q(const std::string& s) { return QString::fromStdString(s); }

QString Title(const std::string& title) { return Q(title.empty() ? App().title : title); }

// "Text (*.txt)|*.txt|All (*.*)|*.*" becomes Qt's ";;"-joined list of "Text (*.txt)".
QString Qt_filter(const std::string& filter)
{
    const QStringList parts = Q(filter).split('|');
    QStringList out;
    for (int i = 0; i + 1 < parts.size(); i += 2) {
        QString name = parts[i];
        if (!name.contains('(')) name += " (" + QString(parts[i + 1]).replace(';', ' ') + ")";
        out << name;
    }
    return out.join(";;");
}

} // namespace

int Path_box_width(const QWidget& box)
{
    const int wanted = box.fontMetrics().averageCharWidth() * k_Path_box_chars;
    const QScreen* screen = box.screen() ? box.screen() : QGuiApplication::primaryScreen();
    return screen ? std::min(wanted, screen->availableGeometry().width() * 2 / 3) : wanted;
}

namespace {

struct Choice {
    QMessageBox::StandardButton button;
    int answer;
};

std::vector<Choice> Choices(int style)
{
    switch (style & 7) {
    case vbOKCancel: return {{QMessageBox::Ok, vbOK}, {QMessageBox::Cancel, vbCancel}};
    case vbAbortRetryIgnore:
        return {{QMessageBox::Abort, vbAbort}, {QMessageBox::Retry, vbRetry}, {QMessageBox::Ignore, vbIgnore}};
    case vbYesNoCancel: return {{QMessageBox::Yes, vbYes}, {QMessageBox::No, vbNo}, {QMessageBox::Cancel, vbCancel}};
    case vbYesNo: return {{QMessageBox::Yes, vbYes}, {QMessageBox::No, vbNo}};
    case vbRetryCancel: return {{QMessageBox::Retry, vbRetry}, {QMessageBox::Cancel, vbCancel}};
    default: return {{QMessageBox::Ok, vbOK}};
    }
}

void Set_up(QMessageBox& box, const std::string& prompt, int style, const std::string& title,
            const std::vector<Choice>& choices)
{
    box.setWindowTitle(Title(title));
    box.setText(Q(prompt));
    switch (style & 0x70) {
    case vbCritical: box.setIcon(QMessageBox::Critical); break;
    case vbQuestion: box.setIcon(QMessageBox::Question); break;
    case vbExclamation: box.setIcon(QMessageBox::Warning); break;
    case vbInformation: box.setIcon(QMessageBox::Information); break;
    default: break;
    }
    QMessageBox::StandardButtons buttons;
    for (auto& c : choices) buttons |= c.button;
    box.setStandardButtons(buttons);
    const size_t def = (style & vbDefaultButton3) ? 2 : (style & vbDefaultButton2) ? 1 : 0;
    if (def < choices.size()) box.setDefaultButton(choices[def].button);
}

int Answer(const std::vector<Choice>& choices, int pressed)
{
    for (auto& c : choices)
        if (c.button == pressed) return c.answer;
    // Closed with Escape or the title bar: the cancel-like answer.
    return choices.size() > 1 ? choices.back().answer : vbOK;
}

} // namespace

int Qt_dialogs::Message_box(const std::string& prompt, int style, const std::string& title)
{
    QMessageBox box(QApplication::activeWindow());
    const std::vector<Choice> choices = Choices(style);
    Set_up(box, prompt, style, title, choices);
    return Answer(choices, box.exec());
}

void Qt_dialogs::Show_notice(const std::string& prompt, const std::string& title)
{
    Ask_later(prompt, vbOKOnly, title, [](int) {});
}

void Qt_dialogs::Ask_later(const std::string& prompt, int style, const std::string& title,
                           std::function<void(int answer)> answered)
{
    auto* box = new QMessageBox(QApplication::activeWindow());
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->setWindowModality(Qt::NonModal);
    const std::vector<Choice> choices = Choices(style);
    Set_up(*box, prompt, style, title, choices);
    QObject::connect(box, &QMessageBox::finished, box, [box, choices, answered = std::move(answered)](int) {
        QAbstractButton* clicked = box->clickedButton();
        answered(Answer(choices, clicked ? box->standardButton(clicked) : QMessageBox::NoButton));
    });
    box->show();
}

std::optional<std::string> Qt_dialogs::Input_box(const std::string& prompt, const std::string& title,
                                                 const std::string& default_text)
{
    QInputDialog box(QApplication::activeWindow());
    box.setWindowTitle(Title(title));
    box.setLabelText(Q(prompt));
    box.setTextValue(Q(default_text));
    // The answer is often a path or a file name: its box shows a whole one.
    if (auto* line = box.findChild<QLineEdit*>()) line->setMinimumWidth(Path_box_width(*line));
    if (box.exec() != QDialog::Accepted) return std::nullopt;
    return box.textValue().toStdString();
}

std::optional<std::string> Qt_dialogs::Open_file(const std::string& title, const std::string& folder,
                                                 const std::string& filter)
{
    const QString f = QFileDialog::getOpenFileName(QApplication::activeWindow(), Title(title), Q(folder),
                                                   Qt_filter(filter));
    if (f.isEmpty()) return std::nullopt;
    return f.toStdString();
}

std::optional<std::string> Qt_dialogs::Save_file(const std::string& title, const std::string& folder,
                                                 const std::string& filter)
{
    const QString f = QFileDialog::getSaveFileName(QApplication::activeWindow(), Title(title), Q(folder),
                                                   Qt_filter(filter));
    if (f.isEmpty()) return std::nullopt;
    return f.toStdString();
}

std::optional<std::string> Qt_dialogs::Browse_folder(const std::string& title, const std::string& folder)
{
    const QString f = QFileDialog::getExistingDirectory(QApplication::activeWindow(), Title(title), Q(folder));
    if (f.isEmpty()) return std::nullopt;
    return f.toStdString();
}

} // namespace wk::platform
