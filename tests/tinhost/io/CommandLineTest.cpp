// The interchange formats through the command line a user types: import
// chooses the reader by extension, export the writer, a bad file exits with a
// message naming the place and leaves the drawing file as it was.
#include <sys/wait.h>

#include "InterchangeTestSupport.h"

namespace tinhost::testing {
namespace {

struct Outcome {
  int status = -1;
  std::string out, err;
};

class CommandLineTest : public InterchangeTest {
 protected:
  Outcome tinhost(const std::string& args) const {
    const fs::path out = path(".out"), err = path(".err");
    const std::string command = (fs::path(TIN_BIN_DIR) / "tinhost").string() + " " + args + " >" + out.string() +
                                " 2>" + err.string() + " </dev/null";
    const int raw = std::system(command.c_str());
    return {WIFEXITED(raw) ? WEXITSTATUS(raw) : -1, readText(out), readText(err)};
  }
  std::string q(const fs::path& p) const { return "'" + p.string() + "'"; }
};

TEST_F(CommandLineTest, ImportsLandXmlAndDrawsChosenLayersAsPictures) {
  const fs::path d = path("p.tin");
  ASSERT_EQ(tinhost("new " + q(d) + " --unit ft").status, 0);
  const Outcome in = tinhost("import " + q(d) + " " + q(dataFile("partridge_survey/Partridge_Survey.xml")));
  ASSERT_EQ(in.status, 0) << in.err;
  EXPECT_NE(in.out.find("imported 2896 point(s) and 118 line(s)"), std::string::npos) << in.out;
  EXPECT_NE(in.out.find("(landxml) onto layer \"fieldbook\""), std::string::npos) << in.out;
  EXPECT_NE(in.err.find("not imported"), std::string::npos) << "the survey's raw observations are named";

  const Outcome png = tinhost("export " + q(d) + " " + q(path("p.png")) + " --layer fieldbook");
  ASSERT_EQ(png.status, 0) << png.err;
  EXPECT_NE(png.out.find("drew 2896 points and 118 3D polygons"), std::string::npos) << png.out;
  EXPECT_EQ(readText(path("p.png")).substr(1, 3), "PNG");

  const Outcome dxf = tinhost("export " + q(d) + " " + q(path("p.dxf")));
  ASSERT_EQ(dxf.status, 0) << dxf.err;
  ASSERT_EQ(tinhost("new " + q(path("back.tin")) + " --unit ft").status, 0);
  const Outcome back = tinhost("import " + q(path("back.tin")) + " " + q(path("p.dxf")));
  EXPECT_NE(back.out.find("imported 2896 point(s) and 118 line(s) from"), std::string::npos) << back.out;
}

TEST_F(CommandLineTest, BadFileExitsNamingThePlaceAndLeavesTheDrawingFile) {
  const fs::path d = path("d.tin");
  ASSERT_EQ(tinhost("new " + q(d)).status, 0);
  const std::string before = readText(d);
  write("bad.xml", "<?xml version=\"1.0\"?>\n<LandXML>\n<CgPoints>\n<CgPoint name=\"1\">1 2</CgPoint>\n"
                   "<CgPoint name=\"2\">1 2 3 4</CgPoint>\n</CgPoints>\n</LandXML>\n");
  const Outcome r = tinhost("import " + q(d) + " " + q(path("bad.xml")));
  EXPECT_NE(r.status, 0);
  EXPECT_NE(r.err.find(path("bad.xml").string() + ":5: <CgPoint name=\"2\">"), std::string::npos) << r.err;
  EXPECT_EQ(readText(d), before);

  const Outcome unknown = tinhost("export " + q(d) + " " + q(path("x.dwg")));
  EXPECT_NE(unknown.status, 0);
  EXPECT_NE(unknown.err.find(".dxf"), std::string::npos) << "names what it can write: " << unknown.err;
}

}  // namespace
}  // namespace tinhost::testing
