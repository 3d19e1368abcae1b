#pragma once
// The finish reader in the viewer: it reads each recording that opens on a thread of its own
// (stepping never waits for it), shows its proposals on the picture and the finish strip, and
// lets the operator go through them one key a lane: N shows the next open proposal's field,
// Enter confirms it (stored as a click there would be, with the reader's time), R rejects it,
// Ctrl+Z undoes the last confirmation. Nothing is stored without one of these.
#include "viewer/Proposal_queue.h"

#include <QObject>
#include <QPointer>

#include <cstdint>
#include <memory>
#include <string>
#include <thread>
#include <vector>

class QAction;
class QImage;
class QMenu;
class QMenuBar;
class QWidget;

namespace wk {

class Lane_results;

// What the reading needs of the viewer.
class Reading_host {
public:
    virtual ~Reading_host() = default;
    virtual QWidget* Reading_window() = 0;
    virtual Lane_results& Reading_results() = 0;
    // Shows a field (two a frame, the earlier first) as a step there would.
    virtual void Show_field(int32_t field) = 0;
    // The proposals changed: picture and strip draw them again.
    virtual void Proposals_changed() = 0;
};

class Viewer_reading final : public QObject {
public:
    // The Reading menu goes on bar before the menu of before (at the end without one).
    Viewer_reading(Reading_host& host, QMenuBar* bar, QMenu* before = nullptr);
    ~Viewer_reading() override;

    QMenu* menu_reading = nullptr;
    QAction* item_reading_state = nullptr;
    QAction* item_next_proposal = nullptr;
    QAction* item_confirm_proposal = nullptr;
    QAction* item_reject_proposal = nullptr;
    QAction* item_confirm_sure = nullptr;
    QAction* item_undo_confirmation = nullptr;
    QAction* item_read_again = nullptr;

    // A recording opened: proposals of an earlier one go; with read, this one is read in the
    // background at once (else when Read the finish again asks).
    void Opened(const std::string& path, bool read);
    void Forget();
    const Proposal_queue& Proposals() const { return queue_; }
    bool Reading() const { return busy_; }

    void item_next_proposal_Click();
    void item_confirm_proposal_Click();
    void item_reject_proposal_Click();
    void item_confirm_sure_Click();
    void item_undo_confirmation_Click();
    void item_read_again_Click();

    // A click is storing a time for the lane: a proposal there is overridden.
    bool Clicked_over_proposal(int16_t lane);
    // Draws the hairlines of the proposals near the shown field into picture, where a frame
    // pixel (in which lane marks and goal line are measured) is scale_x by scale_y pixels; the
    // reason of a doubtful one becomes the picture's tooltip.
    void Draw_on_picture(QImage& picture, int32_t shown_field, QWidget* tooltip_owner, double scale_x = 1,
                         double scale_y = 1) const;

private:
    void Start();
    void Finished(uint64_t generation, const std::string& path, Finish_reading reading, std::string problem);
    void Progress(uint64_t generation, double share);
    void Update_actions();
    bool Confirm(size_t index, bool ask_dead_heat);
    void Show(size_t index);

    Reading_host& host_;
    Proposal_queue queue_;
    std::string path_;
    uint64_t generation_ = 0;
    bool busy_ = false;
    std::vector<std::thread> workers_;
};

// The confidence from which Confirm all takes a proposal: setting proposal_confidence of section
// Canoe, 0.8 unless set.
double Sure_confidence_setting();
// Whether a recording is read as it opens: setting read_finish of section Canoe, True unless set.
bool Read_on_open_setting();

} // namespace wk
