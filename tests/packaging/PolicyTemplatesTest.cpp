// The Group Policy templates shipped for IT: well-formed, every string and presentation they name present
// in each language, and naming the key and values the program reads, as its own constants name them.
#include "net/ProxyPolicy.h"

#include <pugixml.hpp>

#include <map>
#include <set>
#include <string>

#include <gtest/gtest.h>

namespace varno {
namespace {

const std::string kFolder = VARNO_POLICIES_DIR;

// The ids a template refers to as $(kind.id) in its attributes.
std::set<std::string> references(const pugi::xml_document& admx, const std::string& kind)
{
    std::set<std::string> ids;
    const std::string prefix = "$(" + kind + ".";
    for (const pugi::xpath_node& attribute : admx.select_nodes("//@*")) {
        const std::string value = attribute.attribute().value();
        if (value.starts_with(prefix) && value.ends_with(")")) {
            ids.insert(value.substr(prefix.size(), value.size() - prefix.size() - 1));
        }
    }
    return ids;
}

TEST(PolicyTemplates, NameWhatTheProgramReadsInEveryLanguage)
{
    pugi::xml_document admx;
    ASSERT_TRUE(admx.load_file((kFolder + "/Module_Varno.admx").c_str()));
    std::set<std::string> valueNames;
    std::map<std::string, std::set<std::string>> elementsOf; // presentation id -> the element ids it shows
    for (const pugi::xpath_node& found : admx.select_nodes("//policy")) {
        const pugi::xml_node policy = found.node();
        EXPECT_STREQ(policy.attribute("class").value(), "Machine");
        EXPECT_STREQ(policy.attribute("key").value(), kPolicyKey);
        std::string presentation = policy.attribute("presentation").value();
        presentation =
            presentation.substr(presentation.find('.') + 1, presentation.size() - presentation.find('.') - 2);
        for (const pugi::xml_node element : policy.child("elements").children()) {
            valueNames.insert(element.attribute("valueName").value());
            elementsOf[presentation].insert(element.attribute("id").value());
        }
    }
    EXPECT_EQ(valueNames, (std::set<std::string>{kProxyValue, kProxyAuthValue}));
    std::set<bool> allowsBasic; // every choice one the program reads, and both meanings offered
    for (const pugi::xpath_node& value : admx.select_nodes("//enum/item/value/string")) {
        EXPECT_NO_THROW(allowsBasic.insert(proxyAuthAllowsBasic(value.node().text().get(), "test")));
    }
    EXPECT_EQ(allowsBasic, (std::set<bool>{false, true}));

    for (const char* language : {"fr-FR", "en-US"}) {
        SCOPED_TRACE(language);
        pugi::xml_document adml;
        ASSERT_TRUE(adml.load_file((kFolder + "/" + language + "/Module_Varno.adml").c_str()));
        const pugi::xml_node resources = adml.child("policyDefinitionResources").child("resources");
        for (const std::string& id : references(admx, "string")) {
            EXPECT_TRUE(resources.child("stringTable").find_child_by_attribute("string", "id", id.c_str())) << id;
        }
        for (const std::string& id : references(admx, "presentation")) {
            const pugi::xml_node presentation =
                resources.child("presentationTable").find_child_by_attribute("presentation", "id", id.c_str());
            ASSERT_TRUE(presentation) << id;
            for (const pugi::xml_node control : presentation.children()) {
                EXPECT_EQ(elementsOf[id].count(control.attribute("refId").value()), 1U) << id;
            }
        }
    }
}

} // namespace
} // namespace varno
