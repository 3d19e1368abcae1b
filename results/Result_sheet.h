#pragma once
// The result sheet as the viewer's prints need it: the page head, the sheet itself and where its
// table ended. The results window implements it; the viewer reaches it through its result rows.
#include <cstdint>

namespace wk {

class Result_sheet {
public:
    virtual ~Result_sheet() = default;
    // Draws the page frame, logos, file data and footer on g_Print_target and sets Print_top_y;
    // false when there is nothing to print on (the operator has been told) and the job must stop.
    virtual bool Print_Static_Content() = 0;
    // Prints the heat's result sheet, with the picture series when asked, and ends the job.
    virtual void Print_Results(bool series) = 0;
    // Where the series begins: just below the table last printed (twips).
    virtual int32_t Results_end_y() const = 0;
};

} // namespace wk
