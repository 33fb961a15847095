#include "crashreport/CrashBody.h"

#include "tests/crashreport/MultipartParts.h"

#include <gtest/gtest.h>

namespace {

CrashReportFields FixedFields() {
    CrashReportFields f;
    f.summary = "Crash: \xC3\xA9";
    f.version = "3.0.1.46";
    f.id = "someone";
    f.hash = "3:90150983cd24fb0d6963f7d28e17f72";
    f.osVersion = "6.1.b0 Debian GNU/Linux 12 (bookworm), 64-bit";
    f.log = "abc";
    f.dump = kNoFileText;
    return f;
}

} // namespace

TEST(CrashBodyTest, GoldenBodyForFixedInputs) {
    const CrashReportFields fields = FixedFields();
    const std::string boundary = ChooseBoundary(fields);
    ASSERT_EQ("-----------1AED22BB-20C2-4cb2-9EFC-A24B079A61D8", boundary);
    const std::string d = "-------------1AED22BB-20C2-4cb2-9EFC-A24B079A61D8";
    const std::string expected =
        d + "\r\nContent-Disposition: form-data; name=\"MAX_FILE_SIZE\"\r\n\r\n20000000" + "\r\n" + d +
        "\r\nContent-Disposition: form-data; name=\"summary\"\r\n\r\nCrash: \xC3\xA9" + "\r\n" + d +
        "\r\nContent-Disposition: form-data; name=\"version\"\r\n\r\n3.0.1.46" + "\r\n" + d +
        "\r\nContent-Disposition: form-data; name=\"id\"\r\n\r\nsomeone" + "\r\n" + d +
        "\r\nContent-Disposition: form-data; name=\"hash\"\r\n\r\n3:90150983cd24fb0d6963f7d28e17f72" +
        "\r\n" + d +
        "\r\nContent-Disposition: form-data; name=\"osVersion\"\r\n\r\n6.1.b0 Debian GNU/Linux 12 "
        "(bookworm), "
        "64-bit" +
        "\r\n" + d +
        "\r\nContent-Disposition: form-data; name=\"log.gz\"; filename=\"log.gz\"\r\nContent-Type: "
        "text/plain\r\n\r\nabc" +
        "\r\n" + d +
        "\r\nContent-Disposition: form-data; name=\"dump.gz\"; filename=\"dump.gz\"\r\nContent-Type: "
        "application/octet-stream\r\n\r\nCould not open file" +
        "\r\n" + d + "--\r\n";
    const std::string body = BuildCrashBody(fields, boundary);
    EXPECT_EQ(expected, body);
    EXPECT_EQ("multipart/form-data; boundary=" + boundary, CrashBodyContentType(boundary));
}

TEST(CrashBodyTest, ABoundaryInAnyPartIsReplacedByOneInNone) {
    const std::string known = "-----------1AED22BB-20C2-4cb2-9EFC-A24B079A61D8";
    const std::string lead = "-----------";
    const RandomHexSource none = [](std::string&) { return false; };
    const RandomHexSource zeros = [](std::string& digits) {
        digits = "00000000";
        return true;
    };
    struct Case {
        std::string CrashReportFields::*field;
        std::string content;
        RandomHexSource randomHex;
    } cases[] = {
        {&CrashReportFields::summary, known, MakeRandomHexId},
        {&CrashReportFields::id, known, MakeRandomHexId},
        {&CrashReportFields::log, known, MakeRandomHexId},
        {&CrashReportFields::dump, known, MakeRandomHexId},
        // Without random digits, or with the same ones each time, the
        // counter still finds a boundary no part holds.
        {&CrashReportFields::dump, known + lead + "-0" + lead + "-1", none},
        {&CrashReportFields::log, known + lead + std::string(32, '0') + "-0", zeros},
    };
    for (const Case& c : cases) {
        CrashReportFields fields = FixedFields();
        fields.*c.field = "before\r\n--" + c.content + "\r\nafter";
        const std::string boundary = ChooseBoundary(fields, c.randomHex);
        EXPECT_EQ(std::string::npos, (fields.*c.field).find(boundary)) << boundary;
        const auto parts = testsupport::MultipartParts(BuildCrashBody(fields, boundary), boundary);
        ASSERT_EQ(8u, parts.size()) << boundary;
        EXPECT_EQ(fields.summary, parts.at("summary"));
        EXPECT_EQ(fields.id, parts.at("id"));
        EXPECT_EQ(fields.log, parts.at("log.gz"));
        EXPECT_EQ(fields.dump, parts.at("dump.gz"));
    }
}
