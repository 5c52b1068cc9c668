// Reads scenario scripts: splits each line into words and double-quoted texts, and expands
// ${NAME} from the driver's variables, else the environment. In a quoted
// text \n \r \t \" and \\ are escapes; any other backslash stands for itself, so Windows
// paths read naturally ("C:\Program Files"), and a text ending in a backslash is written "C:\\".
#include "scenario.h"

#include <cstdlib>
#include <cstring>
#include <fstream>

static bool ExpandVariables(const std::string& text, const std::map<std::string, std::string>& variables,
                            std::string& result, std::string& error)
{
    result.clear();
    for (size_t at = 0; at < text.size();) {
        if (text.compare(at, 2, "${") != 0) {
            result += text[at++];
            continue;
        }
        size_t end = text.find('}', at);
        if (end == std::string::npos) {
            error = "unterminated ${ in " + text;
            return false;
        }
        std::string name = text.substr(at + 2, end - at - 2);
        auto found = variables.find(name);
        if (found != variables.end()) {
            result += found->second;
        } else if (const char* value = std::getenv(name.c_str())) {
            result += value; // the environment of Setup.exe as well, e.g. APPDATA
        } else {
            error = "variable " + name + " is neither given on the driver's command line nor set";
            return false;
        }
        at = end + 1;
    }
    return true;
}

static bool SplitLine(const std::string& line, std::vector<std::string>& words, std::string& error)
{
    for (size_t at = 0; at < line.size();) {
        if (line[at] == ' ' || line[at] == '\t') {
            ++at;
            continue;
        }
        std::string word;
        if (line[at] != '"') {
            while (at < line.size() && line[at] != ' ' && line[at] != '\t')
                word += line[at++];
            words.push_back(word);
            continue;
        }
        ++at;
        bool closed = false;
        while (at < line.size()) {
            char c = line[at++];
            if (c == '"') {
                closed = true;
                break;
            }
            if (c == '\\' && at < line.size()) {
                char next = line[at];
                const char* escapes = "nrt\"\\";
                const char* values = "\n\r\t\"\\";
                const char* hit = next ? strchr(escapes, next) : nullptr;
                if (hit) {
                    word += values[hit - escapes];
                    ++at;
                    continue;
                }
            }
            word += c;
        }
        if (!closed) {
            error = "unterminated quoted text";
            return false;
        }
        words.push_back(word);
    }
    return true;
}

bool ReadScenario(const std::string& path, const std::map<std::string, std::string>& variables,
                  Scenario& scenario, std::string& error)
{
    std::ifstream input(path, std::ios::binary);
    if (!input) {
        error = path + ": cannot be read";
        return false;
    }
    scenario.fileName = path;
    std::string line;
    for (int number = 1; std::getline(input, line); ++number) {
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        size_t first = line.find_first_not_of(" \t");
        if (first == std::string::npos || line[first] == '#')
            continue;
        Step step;
        step.line = number;
        step.source = line.substr(first);
        std::vector<std::string> raw;
        std::string fault;
        if (!SplitLine(line, raw, fault)) {
            error = path + ":" + std::to_string(number) + ": " + fault;
            return false;
        }
        for (const std::string& word : raw) {
            std::string expanded;
            if (!ExpandVariables(word, variables, expanded, fault)) {
                error = path + ":" + std::to_string(number) + ": " + fault;
                return false;
            }
            step.words.push_back(expanded);
        }
        scenario.steps.push_back(step);
    }
    return true;
}

std::string QuoteText(const std::string& text)
{
    std::string quoted = "\"";
    for (char c : text) {
        switch (c) {
        case '\n': quoted += "\\n"; break;
        case '\r': quoted += "\\r"; break;
        case '\t': quoted += "\\t"; break;
        case '"': quoted += "\\\""; break;
        default: quoted += c;
        }
    }
    return quoted + "\"";
}
