#pragma once
// A marathon heat's finishes as the results folder carries them: competitor numbers and times,
// ranked by time, in the same files as a course heat (kind "marathon").
#include "results/Class_Wakeline_result_XML.h"
#include "results/Published_heat.h"

#include <optional>
#include <string>

namespace wk {

// "00:46,98" or "1:02:03,45" as milliseconds; nullopt for any other text.
std::optional<int64_t> Elapsed_ms(const std::string& text);

// The heat's competitors of the marathon result document, fastest first; names and clubs from
// the event's start list by bib when it has them.
Published_heat Marathon_heat(const Class_Wakeline_result_XML& doc, const std::string& heat_id);

// Writes the heat to the results folder when one is set; "" on success or without a folder.
std::string Publish_marathon_heat(const Class_Wakeline_result_XML& doc, const std::string& heat_id);

} // namespace wk
