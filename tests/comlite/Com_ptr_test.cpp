#include "comlite/Com_ptr.h"
#include "comlite/Query_interface.h"

#include <gtest/gtest.h>

namespace wk::com {
namespace {

class IOther : public IUnknown {
public:
    static constexpr IID iid = Guid_literal("{11111111-2222-3333-4444-555555555555}");
    virtual int Value() = 0;

protected:
    ~IOther() = default;
};

class INever : public IUnknown {
public:
    static constexpr IID iid = Guid_literal("{99999999-2222-3333-4444-555555555555}");

protected:
    ~INever() = default;
};

// Counts its references; the test owns it, so nothing is deleted at zero.
class Counted final : public IOther {
public:
    HRESULT QueryInterface(const IID& riid, void** ppv) override { return Query_interface<IOther>(this, riid, ppv); }
    uint32_t AddRef() override { return ++refs; }
    uint32_t Release() override { return --refs; }
    int Value() override { return 7; }
    uint32_t refs = 0;
};

TEST(Com_ptr_test, CopiesTakeReferencesAndEveryHolderGivesItsOwnBack)
{
    Counted object;
    {
        Com_ptr<IOther> a(&object);
        EXPECT_EQ(object.refs, 1u);
        Com_ptr<IOther> b = a;
        Com_ptr<IUnknown> base = a;
        EXPECT_EQ(object.refs, 3u);
        Com_ptr<IOther> c = std::move(b);
        EXPECT_FALSE(b);
        EXPECT_EQ(object.refs, 3u);
        a = c; // same object: the count stays
        EXPECT_EQ(object.refs, 3u);
        c.Reset();
        EXPECT_EQ(object.refs, 2u);
    }
    EXPECT_EQ(object.refs, 0u);
}

TEST(Com_ptr_test, AttachAdoptsDetachHandsOverAndQueryFindsOnlyWhatTheObjectHas)
{
    Counted object;
    object.AddRef(); // what an out-parameter would have carried
    {
        auto adopted = Com_ptr<IUnknown>::Attach(&object);
        EXPECT_EQ(object.refs, 1u);
        auto other = adopted.Query<IOther>();
        ASSERT_TRUE(other);
        EXPECT_EQ(other->Value(), 7);
        EXPECT_EQ(object.refs, 2u);
        EXPECT_FALSE(adopted.Query<INever>());
        EXPECT_EQ(object.refs, 2u);
        IOther* raw = other.Detach();
        EXPECT_EQ(object.refs, 2u);
        raw->Release();
    }
    EXPECT_EQ(object.refs, 0u);
}

} // namespace
} // namespace wk::com
