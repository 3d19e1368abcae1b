#include "board/Board_routes.h"

#include "board/Heat_store.h"

#include <QFile>

#include <array>

namespace wk {

namespace {

struct Page_file {
    const char* path;
    const char* resource;
    const char* content_type;
};

// The page is these files and nothing else: no request path ever reaches a file system.
constexpr std::array<Page_file, 4> page_files{{
    {"/", ":/board/page/index.html", "text/html; charset=utf-8"},
    {"/index.html", ":/board/page/index.html", "text/html; charset=utf-8"},
    {"/board.css", ":/board/page/board.css", "text/css; charset=utf-8"},
    {"/board.js", ":/board/page/board.js", "text/javascript; charset=utf-8"},
}};

constexpr char json_type[] = "application/json; charset=utf-8";
constexpr char text_type[] = "text/plain; charset=utf-8";
constexpr char heats_path[] = "/api/heats";

Board_answer Text(int status, const char* text)
{
    return {status, text_type, QByteArray(text) + "\n"};
}

// Only the characters our own paths use; an escape, a dot segment, a backslash or an empty
// segment is refused before any route is looked at.
bool Is_plain_path(const QByteArray& path)
{
    if (!path.startsWith('/') || path.contains("//") || path.contains("/.") || path.size() > 256)
        return false;
    for (char c : path) {
        const bool ok = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '/' ||
                        c == '_' || c == '-' || c == '.';
        if (!ok)
            return false;
    }
    return true;
}

Board_answer Page(const Page_file& file)
{
    QFile resource(QString::fromLatin1(file.resource));
    if (!resource.open(QIODevice::ReadOnly))
        return Text(500, "The board page is missing from this build.");
    return {200, file.content_type, resource.readAll(), "no-cache"};
}

Board_answer Heat(const QByteArray& id, const Heat_store& store)
{
    const Heat_version* heat = Is_heat_id(QString::fromLatin1(id)) ? store.Find(QString::fromLatin1(id)) : nullptr;
    if (heat == nullptr)
        return Text(404, "No such heat.");
    return {200, json_type, heat->json};
}

} // namespace

Board_answer Answer(const Board_request& request, const Heat_store& store)
{
    if (request.method != "GET")
        return Text(405, "The board is read-only: only GET is answered.");
    if (!Is_plain_path(request.path))
        return Text(400, "Bad path.");
    if (request.path == heats_path)
        return {200, json_type, store.Heat_list()};
    if (request.path.startsWith(QByteArray(heats_path) + '/'))
        return Heat(request.path.mid(int(sizeof heats_path)), store);
    if (request.path == live_path)
        return Text(426, "This is the live channel: open it as a WebSocket.");
    for (const Page_file& file : page_files)
        if (request.path == file.path)
            return Page(file);
    return Text(404, "Not found.");
}

} // namespace wk
