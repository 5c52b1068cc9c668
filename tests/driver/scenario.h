// Scenario scripts of the wizard test driver: one step per line, words and quoted texts,
// "#" comments, ${NAME} variables given on the driver's command line or set in the environment.
#pragma once

#include <map>
#include <string>
#include <vector>

struct Step {
    int line = 0;
    std::string source;             // the line as written, for failure reports
    std::vector<std::string> words; // quoted texts unescaped, variables expanded
};

struct Scenario {
    std::string fileName;
    std::vector<Step> steps;
};

// Reads `path` into steps. On failure returns false and describes the fault in `error`
// (file, line and what is wrong).
bool ReadScenario(const std::string& path, const std::map<std::string, std::string>& variables,
                  Scenario& scenario, std::string& error);

// Shows a text as a scenario would write it: in quotes, line breaks and tabs as escapes.
std::string QuoteText(const std::string& text);
