// A small builder of setup packages for the install tests: header fields, texts, shortcut and
// run entries and file-tree records, laid out as the package format has them.
#include "test_package.h"

void TestPackage::AddU32(uint32_t value)
{
    bytes.resize(bytes.size() + 4);
    WriteU32(bytes.data() + bytes.size() - 4, value);
}

void TestPackage::SetField(PackageField field, uint32_t value)
{
    WriteU32(bytes.data() + field, value);
}

uint32_t TestPackage::AddText(const std::string& text)
{
    uint32_t offset = (uint32_t)bytes.size();
    bytes.insert(bytes.end(), text.begin(), text.end());
    bytes.push_back(0);
    return offset;
}

uint32_t TestPackage::AddShortcut(const std::string& name, const std::string& target,
                                  const std::string& workingDir, bool startMenu)
{
    uint32_t offset = (uint32_t)bytes.size();
    size_t length = SHORTCUT_ENTRY_HEAD + name.size() + target.size() + workingDir.size() + 3;
    bytes.push_back((unsigned char)length);
    bytes.push_back((unsigned char)(length >> 8));
    bytes.push_back(0);
    bytes.push_back(startMenu ? 1 : 0);
    AddText(name);
    AddText(target);
    AddText(workingDir);
    return offset;
}

void TestPackage::EndShortcutList()
{
    bytes.push_back(0);
    bytes.push_back(0);
}

uint32_t TestPackage::AddRunEntry(const std::string& commandLine, const std::string& workingDir)
{
    uint32_t offset = (uint32_t)bytes.size();
    bytes.push_back(0);
    bytes.push_back(1);
    AddText(commandLine);
    AddText(workingDir);
    return offset;
}

void TestPackage::AddFile(const std::string& name, uint32_t attributes, const std::string& packed,
                          uint32_t size, uint64_t lastWriteTime)
{
    AddU32(attributes);
    AddU32((uint32_t)packed.size());
    AddU32(size);
    AddU32((uint32_t)lastWriteTime);
    AddU32((uint32_t)(lastWriteTime >> 32));
    AddText(name);
    bytes.insert(bytes.end(), packed.begin(), packed.end());
}

void TestPackage::AddDirectory(const std::string& name, uint32_t attributes)
{
    AddU32(attributes | ATTRIBUTE_DIRECTORY);
    AddText(name);
}

void TestPackage::EndLevel()
{
    AddU32(TREE_END_MARKER);
}
