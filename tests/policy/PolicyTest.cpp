// The team policy: which template wins, what is left alone, and how a
// faulty policy file is refused.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "TestSupport.h"
#include "policy/Glob.h"
#include "policy/Policy.h"
#include "vb_runtime/CodePage.h"

using testing_support::PathText;
using testing_support::ScratchDir;
using testing_support::WriteBytes;

namespace {

// Every level names itself in its begin template; only some give an end.
const char kLevels[] = R"(begin = "default"
end = "default end"
[kinds."Function"]
begin = "function"
[kinds."property get"]
begin = "getter"
end = "getter end"
[objects.Class]
begin = "class"
end = "class end"
[objects.Class.kinds."Property Get"]
begin = "class getter"
[objects.form]
end = "form end"
)";

policy::Policy Load(const ScratchDir& dir, const std::string& text) {
    WriteBytes(dir / "trapwright.toml", text);
    return policy::Policy::Load(PathText(dir / "trapwright.toml"));
}

}  // namespace

TEST(PolicyPrecedence, TheMostSpecificLevelGivesEachTemplate) {
    struct Row {
        const char* objectKind;
        const char* procedureKind;
        const char* begin;  // "" when no level gives one (the default is the caller's)
        const char* end;
    };
    const std::vector<Row> rows = {
        {"Class", "Property Get", "class getter", "getter end"},
        {"CLASS", "property  get", "class getter", "getter end"},
        {"Class", "Function", "function", "class end"},
        {"Class", "Sub", "class", "class end"},
        {"Module", "Function", "function", ""},
        {"Module", "Property Get", "getter", "getter end"},
        {"Module", "Sub", "", ""},
        {"Form", "Sub", "", "form end"},
        {"Form", "Property Get", "getter", "getter end"},
        {"UserControl", "Property Let", "", ""},
    };
    ScratchDir dir;
    const policy::Policy policy = Load(dir, kLevels);
    EXPECT_EQ(policy.Defaults().begin.value_or(u"?"), u"default");
    EXPECT_EQ(policy.Defaults().end.value_or(u"?"), u"default end");
    for (const Row& row : rows) {
        SCOPED_TRACE(std::string(row.objectKind) + " / " + row.procedureKind);
        const policy::TemplateTexts resolved =
            policy.Resolve(vb::FromUtf8(row.objectKind), vb::FromUtf8(row.procedureKind));
        EXPECT_EQ(vb::ToUtf8(resolved.begin.value_or(u"")), row.begin);
        EXPECT_EQ(vb::ToUtf8(resolved.end.value_or(u"")), row.end);
    }
}

TEST(PolicyExclusions, ProceduresKindsAndFiles) {
    ScratchDir dir;
    const policy::Policy policy = Load(dir, R"([exclude]
procedures = ["Class_Initialize", "*_Click", "Get?"]
kinds = ["property let"]
files = ["Shared/*.bas", "Generated/**"]
)");
    EXPECT_TRUE(policy.ExcludesProcedure(u"class_initialize", u"Sub"));
    EXPECT_TRUE(policy.ExcludesProcedure(u"cmdGo_Click", u"Sub"));
    EXPECT_TRUE(policy.ExcludesProcedure(u"GetX", u"Function"));
    EXPECT_FALSE(policy.ExcludesProcedure(u"GetXY", u"Function"));
    EXPECT_TRUE(policy.ExcludesProcedure(u"Value", u"Property Let"));
    EXPECT_FALSE(policy.ExcludesProcedure(u"Value", u"Property Get"));
    EXPECT_TRUE(policy.ExcludesFile(u"shared/modText.BAS", false));
    EXPECT_FALSE(policy.ExcludesFile(u"Shared/Deep/modText.bas", false)) << "* stays within a folder";
    EXPECT_TRUE(policy.ExcludesFile(u"Generated/a/b.cls", false));
    EXPECT_FALSE(policy.ExcludesFile(u"App/Shared/modText.bas", false));
    EXPECT_TRUE(policy.ExcludesFile(u"App/Shared/modText.bas", true)) << "from any folder on";
}

TEST(PolicyErrors, AreRefusedWithFileLineAndKey) {
    struct Row {
        const char* text;
        const char* message;  // after "PATH:"
    };
    const std::vector<Row> rows = {
        {"begn = \"x\"\n", "1: error: unknown key 'begn'"},
        {"\n[kinds.\"Fuction\"]\nbegin = \"x\"\n",
         "2: error: 'kinds.\"Fuction\"': not a procedure kind (Sub, Function, Property Get, Property Let, Property Set)"},
        {"[objects.Klass]\n",
         "1: error: 'objects.Klass': not an object kind (Form, Class, Module, UserControl, PropertyPage, UserDocument)"},
        {"[objects.Class.kinds.\"Sub\"]\nbegin = \"x\"\nfinish = \"y\"\n",
         "3: error: unknown key 'objects.Class.kinds.\"Sub\".finish'"},
        {"begin = 3\n", "1: error: 'begin' must be a string"},
        {"[exclude]\nprocedures = \"x\"\n", "2: error: 'exclude.procedures' must be a list of strings"},
        {"[exclude]\nkinds = [\"Event\"]\n",
         "2: error: 'exclude.kinds': 'Event' is not a procedure kind (Sub, Function, Property Get, Property Let, "
         "Property Set)"},
        {"[exclude]\nprocedure = [\"x\"]\n", "2: error: unknown key 'exclude.procedure'"},
        {"begin = \"x\"\nbegin_file = \"begin.txt\"\n", "2: error: 'begin_file': give begin or begin_file, not both"},
        {"end_file = \"missing.txt\"\n", "1: error: 'end_file': no such file: <D>missing.txt"},
        {"begin = \"open\n", "1: error: not valid TOML: "},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.text);
        ScratchDir dir;
        WriteBytes(dir / "begin.txt", "' begin\r\n");
        std::string expected = (dir / "trapwright.toml").string() + ":" + row.message;
        for (size_t at; (at = expected.find("<D>")) != std::string::npos;) {
            expected.replace(at, 3, dir.path().string() + "/");
        }
        try {
            Load(dir, row.text);
            ADD_FAILURE() << "no error";
        } catch (const policy::PolicyError& error) {
            EXPECT_EQ(std::string(error.what()).substr(0, expected.size()), expected);
        }
    }
}

TEST(PolicyTemplates, InlineEscapesAndTemplateFiles) {
    ScratchDir dir;
    WriteBytes(dir / "handlers" / "begin.txt", "' from a file\n' \xE9\n");
    const policy::Policy policy = Load(dir, "begin_file = \"handlers/begin.txt\"\nend = \"a\\nb\\r\\nc\"\n");
    EXPECT_EQ(policy.Defaults().begin.value_or(u"?"), u"' from a file\r\n' \u00E9\r\n") << "read in the code page";
    EXPECT_EQ(policy.Defaults().end.value_or(u"?"), u"a\r\nb\r\nc") << "a lone LF counts as CR LF";
}
