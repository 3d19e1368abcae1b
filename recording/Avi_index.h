#pragma once
// Where the frames of an AVI file lie, for the AVI reader. Three sources: the OpenDML indexes of
// a file past 1 GB (the video stream's super index "indx", naming one standard index "ixNN" per
// RIFF part), the idx1 index of the first RIFF part, and, for the RIFF parts that no index
// reaches (a capture cut off before its index was written, a large file with an idx1 only), a
// walk through the chunks of their movi lists. An index that is there but cannot be used refuses
// the file; every position kept lies inside the file.
#include "recording/Recording_problem.h"
#include "recording/cls_IDX.h"

#include <cstdint>
#include <string>
#include <vector>

namespace wk {

namespace platform {
class Byte_file;
}

class Avi_index {
public:
    // What the AVI parser found.
    struct Layout {
        int16_t video_stream = 0;       // its chunks are "NNdc", "NNdb" or "NN__"
        int64_t movie_offset = 0;       // the first movi list's type field; idx1 offsets count from here
        int64_t movie_end = 0;          // where that list's chunks end
        int64_t idx1_offset = 0;        // the idx1 chunk header; 0 when the file holds no whole one
        bool idx1_seen = false;         // an idx1 chunk header lies in the first RIFF part, whole or not
        int64_t super_index_offset = 0; // the video stream's indx chunk header; 0 when none
    };

    // Reads the indexes and walks what they do not reach; false (the problem posted) when the
    // file cannot be read through them. A rebuilt index is posted as a notice.
    bool Read(const platform::Byte_file& file, const Layout& layout, const std::string& path,
              Recording_problems& problems);
    void Clear();

    // Item k is frame k + 1; item k of the text stream belongs to it.
    const std::vector<cls_IDX>& Video() const { return video_; }
    const std::vector<cls_IDX>& Text() const { return text_; }
    // Whether frames were found by walking the movi lists.
    bool Rebuilt() const { return rebuilt_; }

    static Recording_problem No_index(const std::string& path);

    // Most frames an OpenDML index or a walk may list: more than two days at 25 a second.
    static constexpr int64_t k_Max_frames = 5'000'000;
    // Most RIFF parts looked at: 1 GB each.
    static constexpr size_t k_Max_parts = 4096;

private:
    // The chunks of one RIFF part's movi list; begin 0 when the part has none.
    struct Movie {
        int64_t begin = 0, end = 0;
    };
    enum class Base { None, Movie_plus_4, Movie, File };

    bool Read_idx1();
    bool Idx1_base_found();
    bool Read_super_index();
    bool Read_standard_index(int64_t at);
    bool Refuse(const std::string& why) const;
    std::vector<Movie> Movies() const;
    Movie Movie_in(int64_t begin, int64_t end) const;
    bool Walk_unindexed(const std::vector<Movie>& movies);
    bool Walk(const Movie& movie);
    bool Add(const uint8_t* header, int64_t at, uint32_t length);
    bool Is_video_id(const uint8_t* id) const;
    bool Is_text_id(const uint8_t* id) const;

    const platform::Byte_file* file_ = nullptr;
    Layout layout_;
    std::string path_;
    Recording_problems* problems_ = nullptr;
    int64_t size_ = 0;
    std::vector<cls_IDX> video_, text_;
    bool rebuilt_ = false;
};

} // namespace wk
