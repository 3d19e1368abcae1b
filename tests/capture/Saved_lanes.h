#pragma once
// The goal line and two lanes as the preview saves them in the settings, and the check that a
// recording's header carries them.
#include "recording/header/Cls_XML_header.h"
#include "services/Module_ini.h"
#include "services/Module_qsm_Globals.h"

#include <gtest/gtest.h>

#include <array>

namespace wk::test {

inline void Write_saved_lanes()
{
    Write_Ini_Value("Canoe", "Goalline", "362,072,362,652", Ini_file_path);
    Write_Ini_Value("Canoe", "Lanes", "100200300400", Ini_file_path);
    Write_Ini_Value("Canoe", "Lane_num", "2", Ini_file_path);
}

inline void Expect_saved_lanes(const Cls_XML_header& header)
{
    int32_t x1 = 0, y1 = 0, x2 = 0, y2 = 0;
    header.Get_Goalline(x1, y1, x2, y2);
    EXPECT_EQ((std::array{x1, y1, x2, y2}), (std::array{362, 72, 362, 652}));
    EXPECT_EQ(header.Num_Lanes(), 2);
    EXPECT_EQ((std::array{header.Lane_pos_X(1), header.Lane_pos_Y(1), header.Lane_pos_X(2), header.Lane_pos_Y(2)}),
              (std::array{100, 200, 300, 400}));
}

} // namespace wk::test
