// The finish reader's proposals in the viewer, and the keys that confirm them.
#include "viewer/Viewer_reading.h"

#include "platform/Dialogs.h"
#include "services/Module_ini.h"
#include "services/Module_qsm_Globals.h"
#include "viewer/Cls_lane.h"
#include "viewer/Lane_results.h"

#include <QAction>
#include <QImage>
#include <QKeySequence>
#include <QMenu>
#include <QMenuBar>
#include <QPainter>
#include <QWidget>

#include <cmath>
#include <exception>

namespace wk {

namespace {

// Proposals are drawn on their nearest field and this many fields either side.
constexpr int32_t k_Fields_around = 2;

QAction* Item(QMenu* menu, const char* name, const QString& text, const QKeySequence& keys = {})
{
    QAction* a = menu->addAction(text);
    a->setObjectName(name);
    if (!keys.isEmpty()) {
        a->setShortcut(keys);
        a->setShortcutContext(Qt::WindowShortcut);
    }
    return a;
}

const Cls_lane* Mark_of_lane(int lane)
{
    for (const auto& mark : g_Lanes)
        if (mark && mark->Lane_number() == lane) return mark.get();
    return nullptr;
}

// Where the goal line passes the height y; the mark's own x on a level line.
double Goal_x_at(const Goal_line_coords& g, double y, double fallback)
{
    if (g.y1 == g.y2) return fallback;
    return g.x1 + (y - g.y1) * double(g.x2 - g.x1) / double(g.y2 - g.y1);
}

std::string Lane_word(int lane) { return "lane " + std::to_string(lane); }

} // namespace

double Sure_confidence_setting()
{
    const std::string text = Read_Ini_Value("Canoe", "proposal_confidence", Ini_file_path, "0.8");
    try {
        const double v = std::stod(text);
        if (v >= 0 && v <= 1) return v;
    } catch (const std::exception&) {
    }
    return Proposal_queue::k_Sure;
}

Viewer_reading::Viewer_reading(Reading_host& host, QMenuBar* bar, QMenu* before) : host_(host)
{
    menu_reading = new QMenu("Reading", bar);
    if (before) bar->insertMenu(before->menuAction(), menu_reading);
    else bar->addMenu(menu_reading);
    menu_reading->setObjectName("menu_reading");
    item_reading_state = Item(menu_reading, "item_reading_state", "No proposals");
    item_reading_state->setEnabled(false);
    menu_reading->addSeparator();
    item_next_proposal = Item(menu_reading, "item_next_proposal", "Next proposal", QKeySequence(Qt::Key_N));
    item_confirm_proposal = Item(menu_reading, "item_confirm_proposal", "Confirm proposal");
    item_confirm_proposal->setShortcuts({QKeySequence(Qt::Key_Return), QKeySequence(Qt::Key_Enter)});
    item_confirm_proposal->setShortcutContext(Qt::WindowShortcut);
    item_reject_proposal = Item(menu_reading, "item_reject_proposal", "Reject proposal", QKeySequence(Qt::Key_R));
    item_confirm_sure = Item(menu_reading, "item_confirm_sure", "Confirm all sure proposals...");
    item_undo_confirmation =
        Item(menu_reading, "item_undo_confirmation", "Undo confirmation", QKeySequence(Qt::CTRL | Qt::Key_Z));
    menu_reading->addSeparator();
    item_read_again = Item(menu_reading, "item_read_again", "Read the finish again");
    connect(item_next_proposal, &QAction::triggered, this, [this] { item_next_proposal_Click(); });
    connect(item_confirm_proposal, &QAction::triggered, this, [this] { item_confirm_proposal_Click(); });
    connect(item_reject_proposal, &QAction::triggered, this, [this] { item_reject_proposal_Click(); });
    connect(item_confirm_sure, &QAction::triggered, this, [this] { item_confirm_sure_Click(); });
    connect(item_undo_confirmation, &QAction::triggered, this, [this] { item_undo_confirmation_Click(); });
    connect(item_read_again, &QAction::triggered, this, [this] { item_read_again_Click(); });
    Install_proposal_queue(&queue_);
    Update_actions();
}

Viewer_reading::~Viewer_reading()
{
    Install_proposal_queue(nullptr);
    // A reading still under way finishes first: it holds nothing of ours but the address its
    // answer is posted to.
    for (std::thread& t : workers_) t.join();
}

bool Read_on_open_setting() { return Read_Ini_Value("Canoe", "read_finish", Ini_file_path, "True") != "False"; }

void Viewer_reading::Opened(const std::string& path, bool read)
{
    Forget();
    path_ = path;
    if (read) Start();
    Update_actions();
}

void Viewer_reading::Start()
{
    const std::string path = path_;
    queue_.Clear();
    busy_ = true;
    const uint64_t generation = ++generation_;
    item_reading_state->setText("Reading the finish...");
    Update_actions();
    workers_.emplace_back([this, generation, path] {
        Finish_reading reading;
        std::string problem;
        Finish_reader_options options;
        options.progress = [this, generation](double share) {
            QMetaObject::invokeMethod(this, [this, generation, share] { Progress(generation, share); },
                                      Qt::QueuedConnection);
        };
        try {
            reading = Read_finish(path, options);
        } catch (const std::exception& e) {
            problem = e.what();
        } catch (...) {
            problem = "the recording could not be read";
        }
        QMetaObject::invokeMethod(
            this, [this, generation, path, reading = std::move(reading), problem]() mutable {
                Finished(generation, path, std::move(reading), problem);
            },
            Qt::QueuedConnection);
    });
}

void Viewer_reading::Forget()
{
    ++generation_;
    busy_ = false;
    path_.clear();
    queue_.Clear();
    item_reading_state->setText("No proposals");
    Update_actions();
}

void Viewer_reading::Progress(uint64_t generation, double share)
{
    if (generation != generation_) return;
    item_reading_state->setText(QString("Reading the finish... %1 %").arg(int(std::lround(share * 100))));
}

void Viewer_reading::Finished(uint64_t generation, const std::string& path, Finish_reading reading,
                              std::string problem)
{
    if (generation != generation_ || path != path_) return;
    busy_ = false;
    if (!problem.empty()) {
        item_reading_state->setText(QString::fromStdString("Not read: " + problem));
    } else {
        queue_.Set(reading);
        item_reading_state->setText(QString("Proposals: %1 lanes").arg(queue_.Entries().size()));
    }
    Update_actions();
    host_.Proposals_changed();
}

void Viewer_reading::Update_actions()
{
    const bool any = !queue_.Empty();
    item_next_proposal->setEnabled(any);
    item_confirm_proposal->setEnabled(queue_.Current().has_value());
    item_reject_proposal->setEnabled(queue_.Current().has_value());
    item_confirm_sure->setEnabled(any);
    item_undo_confirmation->setEnabled(any);
    item_read_again->setEnabled(!path_.empty() && !busy_);
}

void Viewer_reading::Show(size_t index)
{
    host_.Show_field(Proposal_queue::Viewer_field(queue_.Entries().at(index).proposal));
    Update_actions();
    host_.Proposals_changed();
}

void Viewer_reading::item_next_proposal_Click()
{
    if (const auto next = queue_.Next()) Show(*next);
    else Update_actions();
}

bool Viewer_reading::Confirm(size_t index, bool ask_dead_heat)
{
    const Lane_proposal& p = queue_.Entries().at(index).proposal;
    const int partner = queue_.Dead_heat_partner(index);
    if (partner != 0) {
        if (!ask_dead_heat) return false;
        const std::string question = "Lanes " + std::to_string(p.lane) + " and " + std::to_string(partner) +
                                     " may be a dead heat: their times lie within what the reader can tell apart. "
                                     "Confirm " + Lane_word(p.lane) + "?";
        if (platform::MsgBox(question, platform::vbYesNo | platform::vbDefaultButton2) != platform::vbYes)
            return false;
    }
    Lane_results& results = host_.Reading_results();
    const int16_t lane = int16_t(p.lane);
    if (lane < 0 || lane >= k_Heat_lanes) return false;
    const Lane_Result_Record before = results.By_lane()[size_t(lane)];
    if (Is_real_time(before.Time) && before.Time != 0 &&
        platform::MsgBox("Override existing result?", platform::vbOKCancel) != platform::vbOK)
        return false;
    const auto time = int32_t(std::nearbyint(*p.time_ms));
    const auto field = int16_t(Proposal_queue::Viewer_field(p));
    if (!results.Put_record(Lane_results::Confirmed_record(lane, time, field))) return false;
    queue_.Confirmed(index, before);
    return true;
}

void Viewer_reading::item_confirm_proposal_Click()
{
    const auto current = queue_.Current();
    if (!current || queue_.Entries().at(*current).state != Proposal_entry::State::open) return;
    Confirm(*current, true);
    Update_actions();
    host_.Proposals_changed();
}

void Viewer_reading::item_reject_proposal_Click()
{
    const auto current = queue_.Current();
    if (!current) return;
    queue_.Rejected(*current);
    Update_actions();
    host_.Proposals_changed();
}

void Viewer_reading::item_confirm_sure_Click()
{
    std::vector<size_t> sure = queue_.Sure_open(Sure_confidence_setting());
    std::erase_if(sure, [this](size_t i) { return queue_.Dead_heat_partner(i) != 0; });
    if (sure.empty()) {
        platform::MsgBox("No proposal is sure enough to confirm without a look.");
        return;
    }
    const std::string question = "Confirm " + std::to_string(sure.size()) + " proposed lanes?";
    if (platform::MsgBox(question, platform::vbYesNo | platform::vbDefaultButton2) != platform::vbYes) return;
    for (size_t i : sure) Confirm(i, false);
    Update_actions();
    host_.Proposals_changed();
}

void Viewer_reading::item_undo_confirmation_Click()
{
    const auto undone = queue_.Undo_last();
    if (!undone) return;
    Lane_Result_Record before = queue_.Entries().at(*undone).before;
    before.Lane = int16_t(queue_.Entries().at(*undone).proposal.lane);
    host_.Reading_results().Put_record(before);
    Show(*undone);
}

void Viewer_reading::item_read_again_Click()
{
    if (!path_.empty() && !busy_) Start();
}

bool Viewer_reading::Clicked_over_proposal(int16_t lane)
{
    const Proposal_entry* e = queue_.Entry_of_lane(lane);
    if (!e || e->state == Proposal_entry::State::rejected) return false;
    queue_.Overridden(lane);
    Update_actions();
    return true;
}

void Viewer_reading::Draw_on_picture(QImage& picture, int32_t shown_field, QWidget* tooltip_owner, double scale_x,
                                     double scale_y) const
{
    QString tip;
    const Goal_line_coords& goal = g_Run_mode == 1 ? g_Goal_line : g_File_Goal_line;
    QPainter p(&picture);
    for (size_t i = 0; i < queue_.Entries().size(); ++i) {
        const Proposal_entry& e = queue_.Entries()[i];
        if (e.state != Proposal_entry::State::open) continue;
        const int32_t field = Proposal_queue::Viewer_field(e.proposal);
        if (std::abs(field - shown_field) > k_Fields_around) continue;
        const Cls_lane* mark = Mark_of_lane(e.proposal.lane);
        if (!mark) continue;
        const bool doubtful = e.proposal.confidence < Proposal_queue::k_Sure;
        const bool current = queue_.Current() == i;
        const double y = mark->Y();
        const double x = Goal_x_at(goal, y, mark->X());
        // Magenta: proposed, not yet a result; dashed orange where the reader is in doubt.
        // Long enough to stand out past the lane's mark, which sits on the line at the same place.
        QPen pen(doubtful ? QColor(255, 150, 0) : QColor(255, 0, 255), current ? 3 : 2,
                 doubtful ? Qt::DashLine : Qt::SolidLine);
        p.setPen(pen);
        p.drawLine(QPointF(x * scale_x, y * scale_y - 28), QPointF(x * scale_x, y * scale_y + 28));
        if (field == shown_field && doubtful && !e.proposal.why.empty())
            tip = QString("Lane %1: %2").arg(e.proposal.lane).arg(QString::fromStdString(e.proposal.why));
    }
    if (tooltip_owner) tooltip_owner->setToolTip(tip);
}

} // namespace wk
