// The viewer the results and marathon windows reach: whichever loaded window serves as one.
#include "results/Results_viewer.h"

#include "platform/Forms.h"

namespace wk {

Results_viewer* Viewer_for_results()
{
    for (platform::Form* form : platform::Loaded_forms())
        if (auto* viewer = dynamic_cast<Results_viewer*>(form)) return viewer;
    return nullptr;
}

} // namespace wk
