#include <gtest/gtest.h>

#include <cstdint>
#include <memory>
#include <new>
#include <string>
#include <string_view>
#include <typeinfo>
#include <vector>

#include "container/Exception.h"

namespace tolma {
namespace {

struct MisuseCase {
  const char* Name;
  void (*Misuse)();
  const char* Message;  // what the standard library's own exception says
};

class LibraryMisuse : public testing::TestWithParam<MisuseCase> {};

// Each misuse reaches the handlers as the program's exception, with the library's very text.
TEST_P(LibraryMisuse, ThrowsTheProgramsExceptionWithTheLibrarysText) {
  try {
    GetParam().Misuse();
    FAIL() << "no exception";
  } catch (const std::exception& error) {
    EXPECT_NE(dynamic_cast<const Exception*>(&error), nullptr) << typeid(error).name();
    EXPECT_STREQ(error.what(), GetParam().Message);
  }
}

INSTANTIATE_TEST_SUITE_P(
    Cases, LibraryMisuse,
    testing::Values(
        MisuseCase{"StringSubstr", [] { static_cast<void>(std::string("abc").substr(4)); },
                   "basic_string::substr: __pos (which is 4) > this->size() (which is 3)"},
        MisuseCase{"StringAt", [] { static_cast<void>(std::string("abc").at(3)); },
                   "basic_string::at: __n (which is 3) >= this->size() (which is 3)"},
        MisuseCase{"StringErase", [] { std::string("ab").erase(3); },
                   "basic_string::erase: __pos (which is 3) > this->size() (which is 2)"},
        MisuseCase{"StringViewSubstr", [] { static_cast<void>(std::string_view("abc").substr(4)); },
                   "basic_string_view::substr: __pos (which is 4) > __size (which is 3)"},
        MisuseCase{"VectorAt", [] { static_cast<void>(std::vector<int>(2).at(2)); },
                   "vector::_M_range_check: __n (which is 2) >= this->size() (which is 2)"},
        MisuseCase{"StringFromNull",
                   [] {
                     const char* volatile none = nullptr;
                     // The misuse under test.
                     // NOLINTNEXTLINE(clang-analyzer-cplusplus.StringChecker)
                     const std::string text(none);
                   },
                   "basic_string: construction from null is not valid"},
        MisuseCase{"StringTooLong",
                   [] {
                     std::string text;
                     text.reserve(text.max_size() + 1);
                   },
                   "basic_string::_M_create"},
        MisuseCase{"VectorTooLong",
                   [] {
                     std::vector<int> values;
                     values.reserve(values.max_size() + 1);
                   },
                   "vector::reserve"}),
    [](const testing::TestParamInfo<MisuseCase>& info) { return info.param.Name; });

struct FormatCase {
  const char* Name;
  void (*Throw)();
  std::string Message;
};

// Called through a pointer, the thrower takes formats that the compiler's check would refuse.
void (*const ThrowFormatted)(const char*, ...) = &std::__throw_out_of_range_fmt;

class RangeMessageFormat : public testing::TestWithParam<FormatCase> {};

TEST_P(RangeMessageFormat, ExpandsLikeTheLibrary) {
  try {
    GetParam().Throw();
    FAIL() << "no exception";
  } catch (const Exception& error) {
    EXPECT_EQ(error.Message(), GetParam().Message);
  }
}

INSTANTIATE_TEST_SUITE_P(
    Cases, RangeMessageFormat,
    testing::Values(
        FormatCase{"PlainText", [] { std::__throw_out_of_range_fmt("no conversions"); },
                   "no conversions"},
        FormatCase{"Sizes", [] { std::__throw_out_of_range_fmt("%zu<%zu", size_t{0}, SIZE_MAX); },
                   "0<" + std::to_string(SIZE_MAX)},
        FormatCase{"Strings", [] { std::__throw_out_of_range_fmt("%s%s!", "ab", ""); }, "ab!"},
        FormatCase{"Percent", [] { std::__throw_out_of_range_fmt("100%%"); }, "100%"},
        FormatCase{"StrayPercents", [] { ThrowFormatted("%d %z% %"); }, "%d %z% %"}),
    [](const testing::TestParamInfo<FormatCase>& info) { return info.param.Name; });

// The allocator's two refusals keep their standard types: nothing of them needs a string.
TEST(AllocatorRefusal, AnImpossibleArrayIsABadArrayNewLength) {
  EXPECT_THROW(static_cast<void>(std::allocator<int>().allocate(SIZE_MAX / 2)),
               std::bad_array_new_length);
}

TEST(AllocatorRefusal, AnArrayPastTheLimitIsABadAlloc) {
  try {
    static_cast<void>(std::allocator<int>().allocate(PTRDIFF_MAX / sizeof(int) + 1));
    FAIL() << "no exception";
  } catch (const std::bad_array_new_length&) {
    FAIL() << "not an array length the type cannot hold";
  } catch (const std::bad_alloc& error) {
    EXPECT_STREQ(error.what(), "std::bad_alloc");
  }
}

}  // namespace
}  // namespace tolma
