// Reading a whole recording into memory, with the wait cursor shown meanwhile.
#include "recording/Whole_file_read.h"

#include "platform/Memory_bytes.h"

#include <QCursor>
#include <QGuiApplication>

#include <memory>
#include <new>
#include <stdexcept>
#include <vector>

namespace wk::whole_file_read {

bool Read_whole_file(platform::Byte_file& file)
{
    const int64_t size = file.Size();
    if (size <= 0) return false;
    std::vector<uint8_t> image;
    try {
        image.resize(size_t(size));
    } catch (const std::bad_alloc&) {
        return false;
    } catch (const std::length_error&) {
        return false;
    }
    if (!file.Read_exact(0, image.data(), image.size())) return false;
    file.Attach(std::make_unique<platform::Memory_bytes>(std::move(image), file.Detach()));
    return true;
}

Wait_cursor::Wait_cursor() : shown_(qobject_cast<QGuiApplication*>(QCoreApplication::instance()) != nullptr)
{
    if (shown_) QGuiApplication::setOverrideCursor(QCursor(Qt::WaitCursor));
}

void Wait_cursor::Restore()
{
    if (shown_) QGuiApplication::restoreOverrideCursor();
    shown_ = false;
}

} // namespace wk::whole_file_read
