#include "viewer/Png_band_writer.h"

#include <QSaveFile>

#include <csetjmp>

#include <png.h>

namespace wk {
namespace {

// libpng leaves its calls by longjmp on a fault: the frames it leaves hold nothing to destroy.
void Write_data(png_structp png, png_bytep data, size_t length)
{
    auto* file = static_cast<QSaveFile*>(png_get_io_ptr(png));
    if (file->write(reinterpret_cast<const char*>(data), qint64(length)) != qint64(length))
        png_error(png, "the file could not be written");
}

void Flush_data(png_structp) {}

} // namespace

struct Png_band_writer::Png {
    QSaveFile file;
    png_structp png = nullptr;
    png_infop info = nullptr;
    explicit Png(const QString& path) : file(path) {}
    ~Png() { png_destroy_write_struct(&png, &info); }
};

namespace {

// Each step is one call frame with setjmp and no C++ objects in it.
bool Start(png_structp png, png_infop info, QSaveFile* file, int width, int height)
{
    if (setjmp(png_jmpbuf(png))) return false;
    png_set_write_fn(png, file, Write_data, Flush_data);
    // A strip is mostly water: quick compression keeps the export short at little cost in size.
    png_set_compression_level(png, 3);
    png_set_IHDR(png, info, png_uint_32(width), png_uint_32(height), 8, PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE,
                 PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    png_write_info(png, info);
    // QImage's RGB32 is B, G, R, unused in memory on this machine.
    png_set_bgr(png);
    png_set_filler(png, 0, PNG_FILLER_AFTER);
    return true;
}

bool Rows(png_structp png, const QImage& band, int rows)
{
    if (setjmp(png_jmpbuf(png))) return false;
    for (int y = 0; y < rows; ++y) png_write_row(png, band.constScanLine(y));
    return true;
}

bool End(png_structp png)
{
    if (setjmp(png_jmpbuf(png))) return false;
    png_write_end(png, nullptr);
    return true;
}

} // namespace

Png_band_writer::Png_band_writer(const std::string& path, int width, int height)
    : png_(std::make_unique<Png>(QString::fromStdString(path))), width_(width), height_(height)
{
    if (width <= 0 || height <= 0) {
        Failed("There is no picture to write.");
        return;
    }
    if (!png_->file.open(QIODevice::WriteOnly)) {
        Failed("Cannot write " + path + ": " + png_->file.errorString().toStdString());
        return;
    }
    png_->png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    if (png_->png) png_->info = png_create_info_struct(png_->png);
    if (!png_->info || !Start(png_->png, png_->info, &png_->file, width, height))
        Failed("Cannot write " + path + ": " + png_->file.errorString().toStdString());
}

Png_band_writer::~Png_band_writer()
{
    // Not committed: the file of that name stays as it was.
    if (png_) png_->file.cancelWriting();
}

bool Png_band_writer::Failed(const std::string& why)
{
    if (error_.empty()) error_ = why;
    return false;
}

bool Png_band_writer::Write(const QImage& band, int rows)
{
    if (!error_.empty()) return false;
    if (band.format() != QImage::Format_RGB32 || band.width() < width_ || rows > band.height() ||
        rows_written_ + rows > height_)
        return Failed("The picture does not fit the file.");
    if (!Rows(png_->png, band, rows))
        return Failed("Cannot write " + png_->file.fileName().toStdString() + ": " + png_->file.errorString().toStdString());
    rows_written_ += rows;
    return true;
}

bool Png_band_writer::Commit()
{
    if (!error_.empty()) return false;
    if (rows_written_ != height_) return Failed("The picture was not written whole.");
    if (!End(png_->png) || !png_->file.commit())
        return Failed("Cannot write " + png_->file.fileName().toStdString() + ": " + png_->file.errorString().toStdString());
    return true;
}

} // namespace wk
