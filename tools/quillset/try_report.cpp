// The try report's two forms. The JSON is written by hand: a handful of arrays of strings and
// one of objects need no library, only correct escaping.
#include "try_report.h"

#include <cstdio>

#include "text_encoding.h"

namespace quillset {
namespace {

void AppendArray(std::string& json, std::string_view name, const std::vector<std::string>& items)
{
    json += "  " + QuoteJson(name) + ": [";
    for (std::size_t i = 0; i < items.size(); ++i)
        json += (i ? ", " : "") + QuoteJson(items[i]);
    json += "],\n";
}

}  // namespace

bool TryReport::Failed() const
{
    if (!error.empty())
        return true;
    for (const TryCheck& check : checks)
        if (!check.ok)
            return true;
    return !leftovers.empty();
}

std::string QuoteJson(std::string_view raw)
{
    const std::string text = ToUtf8(raw);
    std::string json = "\"";
    for (const char ch : text) {
        const unsigned char c = ch;
        switch (c) {
        case '"': json += "\\\""; break;
        case '\\': json += "\\\\"; break;
        case '\n': json += "\\n"; break;
        case '\r': json += "\\r"; break;
        case '\t': json += "\\t"; break;
        case '\b': json += "\\b"; break;
        case '\f': json += "\\f"; break;
        default:
            if (c < 0x20) {
                char escape[8];
                std::snprintf(escape, sizeof(escape), "\\u%04x", c);
                json += escape;
            } else {
                json += ch;
            }
        }
    }
    return json + "\"";
}

std::string FormatReportText(const TryReport& report)
{
    std::string text = "== quillset try " + report.setup + " ==\n";
    if (!report.pages.empty()) {
        text += "pages:";
        for (const std::string& page : report.pages)
            text += " " + page;
        text += "\n";
    }
    if (!report.installed.empty()) {
        text += "installed:\n";
        for (const std::string& line : report.installed)
            text += "  " + ToUtf8(line) + "\n";
    }
    if (!report.uninstallLog.empty())
        text += "the uninstall log:\n" + report.uninstallLog;
    std::string section;
    for (const TryCheck& check : report.checks) {
        if (check.section != section) {
            section = check.section;
            text += section + ":\n";
        }
        text += std::string(check.ok ? "  ok      " : "  FAILED  ") + ToUtf8(check.text) + "\n";
    }
    if (!report.leftovers.empty()) {
        text += "left behind after the removal:\n";
        for (const std::string& line : report.leftovers)
            text += "  " + ToUtf8(line) + "\n";
    }
    for (const std::string& picture : report.pictures)
        text += "picture " + picture + "\n";
    std::size_t failed = 0;
    for (const TryCheck& check : report.checks)
        failed += !check.ok;
    // Only a removal that ran has a count of what it left.
    const std::string removal =
        report.removalRan ? std::to_string(report.leftovers.size()) + " left behind" : "not removed";
    text += "result: ";
    text += report.Failed() ? "FAILED (" + std::to_string(failed) + " failed checks, " + removal + ")\n"
                            : report.removalRan ? "clean installation and removal\n"
                                                : "clean installation, not removed\n";
    return text;
}

std::string FormatReportJson(const TryReport& report)
{
    std::string json = "{\n  \"setup\": " + QuoteJson(report.setup) + ",\n";
    json += std::string("  \"ok\": ") + (report.Failed() ? "false" : "true") + ",\n";
    if (!report.error.empty())
        json += "  \"error\": " + QuoteJson(report.error) + ",\n";
    AppendArray(json, "pages", report.pages);
    AppendArray(json, "installed", report.installed);
    json += "  \"checks\": [";
    for (std::size_t i = 0; i < report.checks.size(); ++i) {
        const TryCheck& check = report.checks[i];
        json += std::string(i ? "," : "") + "\n    {\"section\": " + QuoteJson(check.section) +
                ", \"ok\": " + (check.ok ? "true" : "false") + ", \"text\": " + QuoteJson(check.text) + "}";
    }
    json += report.checks.empty() ? "],\n" : "\n  ],\n";
    AppendArray(json, "pictures", report.pictures);
    AppendArray(json, "left_behind", report.leftovers);
    json.erase(json.size() - 2);  // the last array's comma
    return json + "\n}\n";
}

}  // namespace quillset
