#pragma once
// The marathon windows beside the viewer in a fresh home: a marathon file written for the test,
// the windows made as the program makes them, and the files they leave read back.
#include "platform/Folders.h"
#include "results/Form_Wakeline_marathon.h"
#include "results/Frm_Wakeline_Marathon_settime.h"
#include "results/frm_dualentry.h"
#include "tests/viewer/Viewer_fixture.h"

#include <QLabel>
#include <QLineEdit>
#include <QSlider>

#include <filesystem>
#include <string>
#include <vector>

namespace wk::test {

struct Heat_line {
    int id;
    std::string num, name, start, running = "t";
};

class Marathon_window : public Viewer_window {
protected:
    void SetUp() override
    {
        Viewer_window::SetUp();
        g_Marathon_xml = platform::Join_path(g_Data_folder, "marathon.xml");
        g_Marathon_csv = platform::Join_path(g_Data_folder, "marathon_results.csv");
        Install_marathon_windows();
    }
    void TearDown() override
    {
        Install_marathon_times_maker(nullptr);
        Viewer_window::TearDown();
        g_Marathon_xml.clear();
        g_Marathon_csv.clear();
    }
    // A marathon file in the data folder with these heats filled in.
    void Write_marathon_file(const std::vector<Heat_line>& heats, const std::string& race = "Test Marathon")
    {
        Marathon_file file;
        file.Create("2010-04-18 10:00:00");
        file.Event_name(race);
        for (const Heat_line& h : heats) {
            file.Heat_field(h.id, "heat_num", h.num);
            file.Heat_field(h.id, "heat_name", h.name);
            file.Heat_field(h.id, "heat_start", h.start);
            file.Heat_field(h.id, "heat_running", h.running);
        }
        std::filesystem::create_directories(g_Data_folder);
        std::string problem;
        ASSERT_TRUE(file.Save(g_Marathon_xml, problem)) << problem;
    }
    Form_Wakeline_marathon& Marathon() { return platform::Form_instance<Form_Wakeline_marathon>(); }
    Frm_Wakeline_Marathon_settime& Entry() { return platform::Form_instance<Frm_Wakeline_Marathon_settime>(); }
    frm_dualentry* Dialog() { return platform::Form_if_loaded<frm_dualentry>(); }
    bool Dialog_shown() { return Dialog() && Dialog()->isVisible(); }

    std::string Text(const QLabel* l) { return l->text().toStdString(); }
    std::string Text(const QLineEdit* b) { return b->text().toStdString(); }
    std::string Temp_file() { return (home.path() / "WakelineMarathon_Temp.xml").string(); }
    int Count_shown(const std::string& prompt)
    {
        int n = 0;
        for (const std::string& s : dialogs.shown) n += s.find(prompt) != std::string::npos;
        return n;
    }
    // A file as pugixml reads it.
    pugi::xml_document Xml(const std::string& path)
    {
        pugi::xml_document doc;
        EXPECT_TRUE(doc.load_file(path.c_str())) << path;
        return doc;
    }
    std::string Heat_value(int id, const char* element)
    {
        const std::string query = "//heat[@id='" + std::to_string(id) + "']/" + element;
        return Xml(g_Marathon_xml).select_node(query.c_str()).node().child_value();
    }
    void Show_field(int field)
    {
        Viewer().Slider_play->setValue(field);
        Viewer().Slider_play_Scroll();
    }
};

} // namespace wk::test
