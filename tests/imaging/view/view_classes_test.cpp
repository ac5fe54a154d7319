// The view's declared classes sit where the layers below find them: each implements the
// interface those layers use, and the interfaces need nothing of the view layer.
#include <gtest/gtest.h>

#include <type_traits>

#include "imaging/view/pictavo_vect.h"
#include "imaging/view/pictavo_view.h"
#include "imaging/view/pv_layer.h"
#include "imaging/view/view_streams.h"

namespace calmora {
namespace {

static_assert(std::is_base_of_v<TPVView, TPictavoView>);
static_assert(std::is_base_of_v<TPictavoViewServices, TPictavoView>);
static_assert(std::is_base_of_v<TPictavoView, TPictavoVect>);
static_assert(std::is_base_of_v<TPictavoVectServices, TPictavoVect>);
static_assert(std::is_base_of_v<TPVLayerServices, TPVLayer>);
static_assert(std::is_abstract_v<TPVView>);
static_assert(std::is_abstract_v<TPictavoViewServices>);
static_assert(std::is_abstract_v<TPictavoVectServices>);
static_assert(std::is_abstract_v<TPVLayerServices>);
static_assert(std::has_virtual_destructor_v<TPictavoViewServices>);
static_assert(std::has_virtual_destructor_v<TPVLayerServices>);
static_assert(std::is_same_v<decltype(&IsPVVStream), bool (*)(TStream*)>);

TEST(ViewClassesTest, DeclaredWhereTheLayersBelowFindThem) { SUCCEED(); }

}  // namespace
}  // namespace calmora
