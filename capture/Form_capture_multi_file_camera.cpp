// The capture window's choice of camera: Camera > Choose camera lists the video devices, the one
// in use checked; the choice is kept in the settings and taken at every camera start.
#include "capture/Form_capture_multi_file.h"

#include "capture/cls_Capture.h"
#include "platform/Dialogs.h"
#include "services/Module_error.h"
#include "services/Module_trace.h"

#include <QAction>
#include <QActionGroup>
#include <QMenu>

#include <algorithm>
#include <utility>

namespace wk {

namespace {
constexpr const char* k_Form = " of Form Form_capture_multi_file";
}

int16_t Form_capture_multi_file::Chosen_source()
{
    cameras_ = camera_->Video_devices();
    // The entry just chosen is taken as it stands: devices that tell nothing apart share a wish.
    if (const int16_t chosen = std::exchange(menu_choice_, int16_t(0)); chosen > 0 && size_t(chosen) <= cameras_.size())
        return chosen;
    const Camera_pick pick = Pick_camera(cameras_, camera_wish_);
    if (pick.wish_missing) {
        const std::string wished = camera_wish_.name.empty() ? camera_wish_.device : camera_wish_.name;
        Trace_Line("*Chosen camera not found: ", wished);
        // Told once: every restart while the camera stays away would say it again.
        if (!missing_camera_told_) {
            missing_camera_told_ = true;
            platform::MsgBox("The chosen camera \"" + wished + "\" is not there; the first camera, \"" +
                             cameras_.front().Label() + "\", is used instead.");
        }
    }
    return pick.number;
}

void Form_capture_multi_file::Show_cameras()
{
    // The entry chosen may be the one being triggered now: the old entries go once it is done.
    for (QAction* old : menu_choose_camera->actions()) {
        menu_choose_camera->removeAction(old);
        old->deleteLater();
    }
    for (QActionGroup* old : menu_choose_camera->findChildren<QActionGroup*>(Qt::FindDirectChildrenOnly))
        old->deleteLater();
    const int16_t in_use = camera_ && camera_->Found_source() ? camera_->Source() : 0;
    auto* group = new QActionGroup(menu_choose_camera);
    const std::vector<std::string> labels = Menu_labels(cameras_);
    for (size_t i = 0; i < cameras_.size(); ++i) {
        const Video_device& device = cameras_[i];
        QAction* item = menu_choose_camera->addAction(QString::fromStdString(labels[i]));
        item->setObjectName(QString("item_camera_%1").arg(device.number));
        item->setCheckable(true);
        item->setChecked(device.number == in_use);
        group->addAction(item);
        const int16_t number = device.number;
        connect(item, &QAction::triggered, this, [this, number] { item_choose_camera_Click(number); });
    }
    menu_choose_camera->menuAction()->setEnabled(!cameras_.empty());
}

void Form_capture_multi_file::item_choose_camera_Click(int16_t number)
{
    try {
        const auto device = std::find_if(cameras_.begin(), cameras_.end(),
                                         [&](const Video_device& d) { return d.number == number; });
        if (device == cameras_.end()) return;
        camera_wish_ = Camera_wish::Of(*device);
        camera_wish_.Keep();
        // A new choice that goes missing later is told of again.
        missing_camera_told_ = false;
        if (camera_ && camera_->Running() && camera_->Source() == number) return;
        // What was captured so far came from the camera in use; it is appended before that goes.
        if (Capturing()) recorder_->End_capture();
        menu_choice_ = number;
        Start_Cam();
    } catch (...) {
        Report_current_exception("item_choose_camera_Click" + std::string(k_Form));
    }
}

} // namespace wk
