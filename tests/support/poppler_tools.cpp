#include "support/poppler_tools.h"

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <unistd.h>

bool RunPopplerTool(const std::string& tool, const std::string& args, std::string& out, std::string& err)
{
    if (std::system(("command -v " + tool + " >/dev/null 2>&1").c_str()) != 0)
        return false;
    char errName[] = "/tmp/qm_poppler_XXXXXX";
    const int fd = mkstemp(errName);
    if (fd < 0)
        return false;
    close(fd);
    FILE* p = popen((tool + " " + args + " 2>" + errName).c_str(), "r");
    if (!p) {
        unlink(errName);
        return false;
    }
    char buf[4096];
    size_t n;
    out.clear();
    while ((n = fread(buf, 1, sizeof buf, p)) > 0)
        out.append(buf, n);
    pclose(p);
    std::ifstream e(errName);
    std::stringstream ss;
    ss << e.rdbuf();
    err = ss.str();
    unlink(errName);
    return true;
}

std::string PdfInfoField(const std::string& info, const std::string& name)
{
    std::istringstream in(info);
    std::string line;
    while (std::getline(in, line)) {
        if (line.compare(0, name.size(), name) != 0 || line.size() <= name.size() || line[name.size()] != ':')
            continue;
        const size_t value = line.find_first_not_of(" \t", name.size() + 1);
        return value == std::string::npos ? std::string() : line.substr(value);
    }
    return "(missing)";
}
