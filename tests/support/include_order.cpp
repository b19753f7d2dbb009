#include "support/include_order.h"

#include <algorithm>
#include <fstream>
#include <regex>

namespace kszw::test {

namespace {

// Where a file or an included header sits: its top folder and whether it is in a ui/ folder.
struct Place {
    std::string folder; // "" for files at the top of src/ (main.cpp)
    bool ui = false;
};

Place placeOf(const std::string& pathInSrc)
{
    Place place;
    size_t slash = pathInSrc.find('/');
    if (slash == std::string::npos)
        return place;
    place.folder = pathInSrc.substr(0, slash);
    place.ui = pathInSrc.compare(slash, 4, "/ui/") == 0;
    return place;
}

std::string describe(const Place& place)
{
    if (place.folder.empty())
        return "src/";
    return place.ui ? place.folder + "/ui" : place.folder;
}

} // namespace

std::vector<std::string> readFolderOrder(const std::filesystem::path& orderFile)
{
    std::vector<std::string> order;
    std::ifstream in(orderFile);
    std::string line;
    while (std::getline(in, line)) {
        line.erase(std::remove_if(line.begin(), line.end(), [](char c) { return c == ' ' || c == '\t' || c == '\r'; }),
                   line.end());
        if (line.empty() || line[0] == '#')
            continue;
        order.push_back(line);
    }
    return order;
}

std::vector<IncludeViolation> checkIncludeOrder(const std::filesystem::path& root,
                                                const std::vector<std::string>& order)
{
    namespace fs = std::filesystem;
    const int top = static_cast<int>(order.size()); // the rank of src/main.cpp
    auto rankOf = [&](const std::string& folder) {
        if (folder.empty())
            return top;
        auto found = std::find(order.begin(), order.end(), folder);
        return found == order.end() ? -1 : static_cast<int>(found - order.begin());
    };

    std::vector<fs::path> files;
    const fs::path src = root / "src";
    for (const auto& entry : fs::recursive_directory_iterator(src)) {
        const std::string ext = entry.path().extension().string();
        if (entry.is_regular_file() && (ext == ".h" || ext == ".cpp"))
            files.push_back(entry.path());
    }
    std::sort(files.begin(), files.end());

    static const std::regex includeLine(R"(^\s*#\s*include\s*"([^"]+)\")");
    std::vector<IncludeViolation> violations;
    for (const fs::path& file : files) {
        const std::string inSrc = fs::relative(file, src).generic_string();
        const std::string shown = "src/" + inSrc;
        const Place from = placeOf(inSrc);
        const int fromRank = rankOf(from.folder);
        if (fromRank < 0) {
            violations.push_back({shown, 0, from.folder, "",
                                  shown + ": the folder " + from.folder + " is not in the order of src/layers.txt"});
            continue;
        }
        // main.cpp starts the widgets: it counts as a ui/ file.
        const bool fromUi = from.ui || from.folder.empty();
        std::ifstream in(file);
        std::string line;
        int number = 0;
        while (std::getline(in, line)) {
            ++number;
            std::smatch match;
            if (!std::regex_search(line, match, includeLine))
                continue;
            const std::string header = match[1].str();
            if (header.find('/') == std::string::npos)
                continue; // a generated file beside the source (moc output)
            const Place to = placeOf(header);
            const int toRank = rankOf(to.folder);
            const std::string where = shown + ":" + std::to_string(number) + ": " + describe(from) + " includes "
                                      + describe(to) + " (" + header + ")";
            auto add = [&](const std::string& why) {
                violations.push_back({shown, number, describe(from), describe(to), where + ": " + why});
            };
            if (toRank < 0)
                add(to.folder + " is not in the order of src/layers.txt");
            else if (toRank > fromRank)
                add(to.folder + " comes after " + (from.folder.empty() ? "src/" : from.folder) +
                    " in src/layers.txt");
            else if (to.ui && !fromUi)
                add("core never includes a ui/ header");
        }
    }
    return violations;
}

} // namespace kszw::test
