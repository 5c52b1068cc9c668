// The lock names of a product's setup and removal: distinct for the two, valid as mutex names
// whatever the product is called, and never longer than a name may be.
#include <gtest/gtest.h>

#include <string>

#include "common/product_locks.h"

namespace {

std::string LockName(ProductLock lock, const std::string& displayName)
{
    std::string name(PRODUCT_LOCK_NAME_SIZE + 8, '#');
    MakeProductLockName(lock, displayName.c_str(), name.data());
    EXPECT_EQ(name.substr(PRODUCT_LOCK_NAME_SIZE), std::string(8, '#'));
    return name.c_str();
}

TEST(MakeProductLockName, NamesTheProductsSetupAndRemovalApart)
{
    EXPECT_EQ(LockName(PRODUCT_SETUP_LOCK, "Vistrel 2.1"), "Quillset setup of Vistrel 2.1");
    EXPECT_EQ(LockName(PRODUCT_REMOVAL_LOCK, "Vistrel 2.1"), "Quillset removal of Vistrel 2.1");
}

TEST(MakeProductLockName, TurnsBackslashesIntoSlashesAndCutsALongName)
{
    // A backslash would make the name a path in the object namespace, which no mutex can take.
    EXPECT_EQ(LockName(PRODUCT_SETUP_LOCK, "Tools\\Vistrel\\"), "Quillset setup of Tools/Vistrel/");
    const std::string name = LockName(PRODUCT_REMOVAL_LOCK, std::string(400, 'v'));
    EXPECT_EQ(name.size(), size_t(PRODUCT_LOCK_NAME_SIZE - 1));
    EXPECT_EQ(name, "Quillset removal of " + std::string(PRODUCT_LOCK_NAME_SIZE - 21, 'v'));
}

} // namespace
