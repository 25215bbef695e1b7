// Linked into each test program the kernel VM runs: when IRTOOLS_KERNEL_RESULTS names a
// folder, every test case leaves a file there, named after the case ('/' written as
// '%'), whose first line is passed, failed or skipped and whose other lines are what
// the case reported. kernel_result.sh hands them to CTest, case by case.
#include <cstdlib>
#include <fstream>
#include <string>

#include <gtest/gtest.h>

namespace {

class ResultFiles : public ::testing::EmptyTestEventListener {
public:
    explicit ResultFiles(std::string folder) : folder_(std::move(folder)) {}

    void OnTestEnd(const ::testing::TestInfo& test) override {
        std::string name = std::string(test.test_suite_name()) + "." + test.name();
        for (char& c : name) {
            if (c == '/') {
                c = '%';
            }
        }
        const ::testing::TestResult& result = *test.result();
        std::ofstream out(folder_ + "/" + name);
        out << (result.Skipped() ? "skipped" : result.Failed() ? "failed" : "passed") << "\n";
        for (int i = 0; i < result.total_part_count(); ++i) {
            const ::testing::TestPartResult& part = result.GetTestPartResult(i);
            if (part.file_name() != nullptr) {
                out << part.file_name() << ":" << part.line_number() << ": ";
            }
            out << part.message() << "\n";
        }
        out << "(" << result.elapsed_time() << " ms in the kernel VM)\n";
    }

private:
    std::string folder_;
};

// Registered before main runs, so that any main (gtest_main's or a program's own)
// reports through it.
const bool registered = [] {
    if (const char* folder = getenv("IRTOOLS_KERNEL_RESULTS"); folder != nullptr && *folder) {
        ::testing::UnitTest::GetInstance()->listeners().Append(new ResultFiles(folder));
    }
    return true;
}();

}  // namespace
