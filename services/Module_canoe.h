#pragma once
// Start-up, the one-time initialisation, the codec check, the program exit and the end of a
// print job.

namespace wk {

// Runs the initialisation once; later calls return at once.
void Wakeline_Initialization();
void Set_Compiled_Flag();
// Forgets that initialisation ran (tests only).
void Reset_Initialization_for_tests();

} // namespace wk
