// RadioGroup, CheckboxGroup and SelectBox on live pages: positions, checks, options and ownership.
#include <gtest/gtest.h>

#include "platform/dom/dom.h"
#include "support/browserfixture.h"
#include "webpage/optiongroups.h"
#include "webpage/selectbox.h"
#include "webpage/webpage.h"

namespace quelvo {
namespace {

class CompanionsTest : public test::BrowserTest {
protected:
    CompanionsTest() : BrowserTest("webpage_more") {}

    void SetUp() override {
        BrowserTest::SetUp();
        ASSERT_TRUE(load("groups.html"));
        doc = document();
        ASSERT_TRUE(page.Bind(doc, std::nullopt));
    }

    bool checked(const char* id) { return dom::get(byId(doc, id), "checked").toNumber() == -1.0; }
    std::vector<bool> sizes() { return {checked("s1"), checked("s2"), checked("s3")}; }

    dom::Ref doc;
    WebPage page;
};

using Bools = std::vector<bool>;

// Both group types behave alike: one typed test body for each.
template <typename Group>
class GroupTest : public CompanionsTest {
protected:
    std::unique_ptr<Group> group(const char* name) {
        if constexpr (std::is_same_v<Group, RadioGroup>)
            return page.GetRadioGroup(Text(name));
        else
            return page.GetCheckboxGroup(Text(name));
    }
};
using GroupTypes = ::testing::Types<RadioGroup, CheckboxGroup>;
TYPED_TEST_SUITE(GroupTest, GroupTypes);

TYPED_TEST(GroupTest, CountsChecksAndReadsByPositionFromOne) {
    auto sizes = this->group("size");
    EXPECT_EQ(sizes->Count(), 3);
    EXPECT_EQ(sizes->GetValue(1).bytes(), "small");
    EXPECT_EQ(sizes->GetValue(3).bytes(), "large");
    EXPECT_FALSE(sizes->IsChecked(1));
    EXPECT_TRUE(sizes->IsChecked(2));

    sizes->Check(3);
    EXPECT_EQ(this->sizes(), (Bools{false, false, true}));
    EXPECT_TRUE(sizes->IsChecked(3));
    sizes->Uncheck(3);
    EXPECT_EQ(this->sizes(), (Bools{false, false, false}));

    // The group does not look at the kind of element: a checkbox group over radios works too.
    auto extras = this->group("extra");
    EXPECT_EQ(extras->Count(), 2);
    EXPECT_TRUE(extras->IsChecked(1));
    extras->Check(2);
    EXPECT_TRUE(this->checked("e2"));
}

TYPED_TEST(GroupTest, PositionsOutsideTheGroupAndUnknownNamesAddressNothing) {
    auto sizes = this->group("size");
    sizes->Check(2);
    for (int position : {0, 4, -1}) {
        SCOPED_TRACE(position);
        EXPECT_FALSE(sizes->IsChecked(position));
        EXPECT_TRUE(sizes->GetValue(position).empty());
        sizes->Check(position);
        sizes->Uncheck(position);
        EXPECT_EQ(this->sizes(), (Bools{false, true, false}));
    }

    auto missing = this->group("nobody");
    EXPECT_EQ(missing->Count(), 0);
    EXPECT_FALSE(missing->IsChecked(1));
    EXPECT_TRUE(missing->GetValue(1).empty());
    missing->Check(1);
    EXPECT_EQ(this->sizes(), (Bools{false, true, false}));

    // Never attached: empty references, neutral results.
    TypeParam unattached;
    EXPECT_EQ(unattached.Count(), 0);
    EXPECT_FALSE(unattached.IsChecked(1));
}

TYPED_TEST(GroupTest, ElementWithoutCheckedNeverCountsAsChecked) {
    // A div of the group's name has no `checked`: a write makes none up, and the div is counted
    // but never checked.
    dom::Ref mixed = this->byId(this->doc, "mixed");
    EXPECT_FALSE(dom::put(mixed, "checked", std::int32_t{1}));
    EXPECT_FALSE(dom::put(mixed, "checked", true));
    auto group = this->group("mixed");
    ASSERT_EQ(group->Count(), 1);
    EXPECT_FALSE(group->IsChecked(1));
}

TYPED_TEST(GroupTest, CloneOutlivesTheOriginalAndAttachReplacesTheCollection) {
    auto original = this->group("size");
    std::unique_ptr<TypeParam> clone = original->Clone();
    original->Destroy();
    original.reset();
    EXPECT_EQ(clone->Count(), 3);
    clone->Check(1);
    EXPECT_EQ(this->sizes(), (Bools{true, false, false}));

    clone->Attach(dom::getObject(this->doc, "getElementsByName", {"extra"_t}));
    EXPECT_EQ(clone->Count(), 2);
    EXPECT_EQ(clone->GetValue(2).bytes(), "sugar");
    clone->Attach(dom::Ref());
    EXPECT_EQ(clone->Count(), 0);
}

TEST_F(CompanionsTest, RadioAndCheckboxGroupsOfOneNameAddressTheSameElements) {
    auto radios = page.GetRadioGroup("size"_t);
    auto boxes = page.GetCheckboxGroup("size"_t);
    boxes->Check(1);
    EXPECT_TRUE(radios->IsChecked(1));
    EXPECT_EQ(radios->GetValue(2), boxes->GetValue(2));
    // Groups follow the live page: a new element of the name is counted at once.
    dom::Ref body = dom::getObject(doc, "body");
    dom::call(body, "insertAdjacentHTML",
              {"beforeend"_t, "<input type=radio name=size value=huge>"_t});
    EXPECT_EQ(radios->Count(), 4);
    EXPECT_EQ(boxes->GetValue(4).bytes(), "huge");
}

class SelectBoxTest : public test::BrowserTest {
protected:
    SelectBoxTest() : BrowserTest("webpage_more") {}

    void SetUp() override {
        BrowserTest::SetUp();
        ASSERT_TRUE(load("selects.html"));
        doc = document();
    }

    std::unique_ptr<SelectBox> attached(const char* id) {
        auto box = std::make_unique<SelectBox>();
        box->Attach(byId(doc, id));
        return box;
    }

    dom::Ref doc;
};

TEST_F(SelectBoxTest, ReadsAndWritesOptionsByPositionFromOne) {
    auto box = attached("colourBox");
    EXPECT_EQ(box->Count(), 3);
    EXPECT_EQ(box->GetOptionText(1).bytes(), "Red");
    EXPECT_EQ(box->GetOptionValue(3).bytes(), "b");
    EXPECT_TRUE(box->SetOptionText(3, "蓝色"_t));
    EXPECT_TRUE(box->SetOptionValue(3, "blue"_t));
    EXPECT_EQ(box->GetOptionText(3).toUtf8(), "蓝色");
    EXPECT_EQ(box->GetOptionValue(3).bytes(), "blue");

    for (int position : {0, 4}) {
        SCOPED_TRACE(position);
        EXPECT_TRUE(box->GetOptionText(position).empty());
        EXPECT_TRUE(box->GetOptionValue(position).empty());
        EXPECT_FALSE(box->SetOptionText(position, "x"_t));
        EXPECT_FALSE(box->SetOptionValue(position, "x"_t));
    }
    EXPECT_EQ(box->Count(), 3);
}

TEST_F(SelectBoxTest, SelectedIndexCountsFromZeroAndPositionZeroSelectsNothing) {
    auto box = attached("colourBox");
    EXPECT_EQ(box->GetSelectedIndex(), 1);
    EXPECT_TRUE(box->SetSelectedIndex(1));
    EXPECT_EQ(box->GetSelectedIndex(), 0);
    EXPECT_EQ(dom::getText(byId(doc, "colourBox"), "value").bytes(), "r");
    EXPECT_TRUE(box->SetSelectedIndex(0));
    EXPECT_EQ(box->GetSelectedIndex(), -1);
    EXPECT_TRUE(dom::getText(byId(doc, "colourBox"), "value").empty());
}

TEST_F(SelectBoxTest, EmptyAttachCloneAndReattach) {
    SelectBox box;
    box.Attach(dom::Ref());
    EXPECT_TRUE(box.selectElement.empty());
    EXPECT_TRUE(box.optionList.empty());
    EXPECT_EQ(box.Count(), 0);
    EXPECT_FALSE(box.SetSelectedIndex(1));
    EXPECT_EQ(box.GetSelectedIndex(), 0);

    auto original = attached("colourBox");
    auto clone = original->Clone();
    original->Destroy();
    original.reset();
    EXPECT_EQ(clone->Count(), 3);
    EXPECT_TRUE(clone->SetSelectedIndex(3));
    EXPECT_EQ(dom::getText(byId(doc, "colourBox"), "value").bytes(), "b");

    clone->Attach(byId(doc, "nameless"));
    EXPECT_EQ(clone->Count(), 2);
    EXPECT_EQ(clone->GetOptionText(2).bytes(), "Two");
    // The options collection is live: an option added later is counted.
    dom::Ref option = dom::callObject(doc, "createElement", {"option"_t});
    dom::call(clone->optionList, "add", {option});
    EXPECT_EQ(clone->Count(), 3);
}

}  // namespace
}  // namespace quelvo
