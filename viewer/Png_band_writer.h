#pragma once
// A PNG written a band of rows at a time, so that a picture far larger than memory allows twice
// can be saved: only the band in hand is held. The file appears under its name only when whole;
// until then an older file of that name stays as it was.
#include <QImage>

#include <memory>
#include <string>

namespace wk {

class Png_band_writer {
public:
    // A PNG of width x height RGB pixels at path.
    Png_band_writer(const std::string& path, int width, int height);
    ~Png_band_writer();
    Png_band_writer(const Png_band_writer&) = delete;
    Png_band_writer& operator=(const Png_band_writer&) = delete;

    // The next rows: the first `rows` rows of band (RGB32, at least the picture's width).
    bool Write(const QImage& band, int rows);
    // Ends the file and puts it in place; false (and nothing in place) unless every row came.
    bool Commit();
    // Why the last step failed; empty while all went well.
    const std::string& Error() const { return error_; }

private:
    struct Png;
    bool Failed(const std::string& why);
    std::unique_ptr<Png> png_;
    std::string error_;
    int width_, height_, rows_written_ = 0;
};

} // namespace wk
