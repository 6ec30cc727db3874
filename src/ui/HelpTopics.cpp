#include "ui/HelpTopics.h"
#include <map>

namespace belvanto {

QString HelpPageName(const HelpTopic& topic)
{
    // Numbers as the dialogs and messages give them.
    static const std::map<int, const char*> pages{
        {12, "New_relationship"},    {14, "Unit_names"},        {17, "Unit_names"},
        {20, "New_relationship"},    {43, "Term_file"},         {49, "Unit_edit"},
        {54, "Delete_relation"},     {56, "Term_file_details"}, {57, "Term_file_details"},
        {59, "Term_file_details"},   {63, "Enter_new_unit"},    {65, "Enter_new_unit"},
        {75, "Units_with_consecutive_numbers"},                 {79, "New_relationship"},
        {84, "Open_project"},        {89, "Projects__add"},     {90, "Import_stratigraphic_data"}, {91, "Save_project_copy"},
        {92, "Open_project"},        {94, "Count"},             {110, "Hierarchy_list_toggle"},
        {128, "Create_chainlike_relationships"},                {129, "Enter_new_unit"},
        {130, "Enter_new_unit"},
        {133, "New_relationship"},   {135, "Term_file"},        {144, "Export_data"},      {150, "Delete_project"}};
    if (const auto* n = std::get_if<int>(&topic.topic)) {
        const auto it = pages.find(*n);
        return it == pages.end() ? kHelpContents : QString::fromLatin1(it->second);
    }
    if (const auto* name = std::get_if<QString>(&topic.topic); name && !name->isEmpty()) return *name;
    return kHelpContents;
}

} // namespace belvanto
