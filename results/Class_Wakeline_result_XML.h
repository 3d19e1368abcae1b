#pragma once
// One results file as an XML document: a race with its race information, its heats, and per heat
// one result listing the competitors with their times and where each finish can be seen. Values
// are texts, stored as given. Lookups by id and number take any characters.
#include <pugixml.hpp>

#include <cstdint>
#include <string>

namespace wk {

class Class_Wakeline_result_XML {
public:
    Class_Wakeline_result_XML();

    // A new document: the declaration and the empty race, race information, heats and results.
    void Initialize_DOM();
    // Replaces the tree by the file's; false (and an empty document) when it cannot be read. The
    // file is read in the encoding it declares, and Serialize writes it back in that encoding.
    bool Load_Existing_XML(const std::string& path);
    void XML_Filename(const std::string& path) { file_name_ = path; }
    const std::string& XML_Filename() const { return file_name_; }
    // Writes the document to XML_Filename, beside it first and then in its place, so a failed
    // write leaves the old file as it was. False after the failure is reported.
    bool Serialize();

    void Capture_Host(const std::string& text);
    void Backoffice_Host(const std::string& text);
    void EventName(const std::string& text);
    void RaceType(const std::string& text);
    void lastFile(const std::string& text);

    // Adds the heat unless one with that id exists.
    void Create_Heat_node(const std::string& id, const std::string& name, const std::string& start_time);
    // Adds the result unless one with that id exists.
    void Create_Result_Node(const std::string& id);
    // Adds a competitor to the result with that id (which must exist; raises otherwise).
    void Create_Competitor_Node(const std::string& result_id, const std::string& nbr, const std::string& elapsed_time,
                                const std::string& delta_time, const std::string& place,
                                const std::string& video_file, const std::string& video_frame);
    // How the last competitor nbr of the result got its time ("confirmed", "overridden"), as an
    // attribute that readers of older results files pass over.
    void Competitor_made(const std::string& result_id, const std::string& nbr, const std::string& made);
    // Adds bib, name and club (those not empty) to the result's last competitor.
    void Name_last_competitor(const std::string& result_id, const std::string& bib, const std::string& name,
                              const std::string& club);
    int16_t Count_Competitor_Nodes() const;
    // The first matching competitor's file and frame; "" and 0 when there is none. Raises when it
    // lacks either element or its frame is not a number.
    void Read_Competitor_node(const std::string& result_id, const std::string& nbr, std::string& video_file,
                              int16_t& video_frame) const;
    // The same for field numbers past 16 bits (long recordings).
    void Read_Competitor_node(const std::string& result_id, const std::string& nbr, std::string& video_file,
                              int32_t& video_frame) const;
    // Replaces the elapsed time, file and frame of the first matching competitor and saves. When
    // any of them cannot be found, says "Override failed!" and changes nothing.
    bool Override_Competitor_Node(const std::string& result_id, const std::string& nbr,
                                  const std::string& elapsed_time, const std::string& unused1,
                                  const std::string& unused2, const std::string& video_file,
                                  const std::string& video_frame);
    void Set_Comment(const std::string& text);

    const pugi::xml_document& Document() const { return doc_; }

private:
    void Set_first(const char* element, const std::string& text);
    pugi::xpath_node_set Competitors(const std::string& result_id, const std::string& nbr) const;
    pugi::xml_node Result(const std::string& id) const;
    template <class Int>
    void Read_competitor(const std::string& result_id, const std::string& nbr, std::string& video_file,
                         Int& video_frame) const;

    pugi::xml_document doc_;
    std::string file_name_;
};

} // namespace wk
