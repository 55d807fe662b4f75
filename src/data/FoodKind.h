#pragma once

namespace nqb {

// The two kinds of thing a plan entry, a pick list or a picture can stand
// for: a raw food (Nutri_tb, identified by Code) or a dish (CateNutri_tb,
// identified by FOODID). The one such type of the whole program.
enum class FoodKind { RawFood, Dish };

} // namespace nqb
