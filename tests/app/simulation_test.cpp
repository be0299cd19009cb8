#include <initializer_list>
#include <map>
#include <set>
#include <utility>

#include "../support/app_fixture.h"

namespace {

class SimulationTest : public AppTest {
protected:
    void SetUp() override {
        AppTest::SetUp();
        start_display();
    }
    // Runs frames until `frame` (counting from 1) has run.
    void run_to(int frame) {
        while (frames_ < frame) {
            run_frame();
            ++frames_;
        }
    }
    // A newly spawned insect with the given fields set.
    static Insect* spawned(std::initializer_list<std::pair<std::int32_t Insect::*, std::int32_t>> fields) {
        spawn_insect();
        for (const auto& [field, value] : fields) insect_head->*field = value;
        return insect_head;
    }
    static Insect* nth(int index) {
        Insect* insect = insect_head;
        while (insect != nullptr && index-- > 0) insect = insect->next;
        return insect;
    }
    // Runs one frame and numbers the insects spawned in it (from 1).
    void step() {
        std::set<Insect*> before;
        for (Insect* i = insect_head; i != nullptr; i = i->next) before.insert(i);
        std::map<Insect*, InsectState> states;
        for (Insect* i = insect_head; i != nullptr; i = i->next) states[i] = i->state;
        run_to(frames_ + 1);
        for (Insect* i = insect_head; i != nullptr; i = i->next) {
            if (before.count(i) == 0) number_[i] = ++spawned_;
            if (states.count(i) != 0 && states[i] != i->state) {
                events_.push_back({frames_, number_[i], i->state, i->x, i->y, i->depth});
            }
        }
    }
    struct Event {
        int frame;
        int insect;
        InsectState state;
        std::int32_t x, y, depth;
    };
    // The first time insect `n` entered `state`.
    const Event* event(int n, InsectState state) const {
        for (const Event& e : events_) {
            if (e.insect == n && e.state == state) return &e;
        }
        return nullptr;
    }
    int frames_ = 0;
    int spawned_ = 0;
    std::map<Insect*, int> number_;
    std::vector<Event> events_;
};

TEST_F(SimulationTest, TheGeneratorStartsAtOne) {
    const std::int32_t expected[] = {41, 18467, 6334, 26500, 19169, 15724};
    for (std::int32_t value : expected) EXPECT_EQ(random_next(), value);
}

TEST_F(SimulationTest, TheFirstInsectArrivesInFrame63AndLeavesInFrame170) {
    run_to(62);
    EXPECT_EQ(insect_count, 0);
    run_to(63);
    ASSERT_EQ(insect_count, 1);
    Insect* first = insect_head;
    // Spawned and moved once in the same frame.
    EXPECT_EQ(first->x, 700 - 4);
    EXPECT_EQ(first->dx, -4);
    EXPECT_EQ(first->facing, 0);
    EXPECT_EQ(first->y, 328 - 1);
    EXPECT_EQ(first->depth, -3);
    int turned_at = -1, turned_x = 0;
    while (frames_ < 169) {
        InsectState before = first->state;
        run_to(frames_ + 1);
        if (before == state_fly && first->state == state_turn) {
            turned_at = frames_;
            turned_x = first->x;
        }
    }
    EXPECT_EQ(turned_at, 117);
    EXPECT_EQ(turned_x, 480);
    EXPECT_EQ(first->x, 704);
    EXPECT_EQ(first->state, remove_insect);
    run_to(170);
    EXPECT_EQ(insect_count, 0);
}

TEST_F(SimulationTest, TheSeventhTurnsAtTheEdgeInsteadOfLeaving) {
    while (frames_ < 604) step();
    // It turns once in frame 586, flies back left, and in frame 598 crosses
    // the left bound in the very call that chooses its second turn.
    std::vector<std::pair<int, int>> turns;
    for (const Event& e : events_) {
        if (e.insect == 7 && e.state == state_turn) turns.emplace_back(e.frame, e.x);
    }
    ASSERT_EQ(turns.size(), 2u);
    EXPECT_EQ(turns[1], (std::pair<int, int>{598, -64}));
    for (const Event& e : events_) EXPECT_FALSE(e.insect == 7 && e.state == remove_insect);
}

TEST_F(SimulationTest, TheNinthInsectIsTheFirstOneZapped) {
    Insect* ninth = nullptr;
    while (frames_ < 950) {
        step();
        if (ninth == nullptr && spawned_ >= 9) {
            for (auto& [insect, n] : number_) {
                if (n == 9) ninth = insect;
            }
            ASSERT_EQ(frames_, 716);
            EXPECT_EQ(ninth->facing, 1);  // side 1
            EXPECT_EQ(ninth->dx, 4);
            EXPECT_EQ(ninth->depth, -2);
        }
        for (const Event& e : events_) ASSERT_FALSE(e.state == state_zap && e.insect < 9) << "insect " << e.insect;
    }
    const Event* turn = event(9, state_turn);
    ASSERT_NE(turn, nullptr);
    EXPECT_EQ(turn->frame, 866);
    EXPECT_EQ(turn->x, 544);
    const Event* finish = event(9, state_fly);
    ASSERT_NE(finish, nullptr);
    EXPECT_EQ(finish->depth, -1);
    const Event* zap = event(9, state_zap);
    ASSERT_NE(zap, nullptr);
    EXPECT_EQ(zap->frame, 912);
    EXPECT_EQ(zap->x, 344);
    EXPECT_EQ(zap->y, 130);
    const Event* gone = event(9, remove_insect);
    ASSERT_NE(gone, nullptr);
    EXPECT_EQ(gone->frame, 949);
    EXPECT_EQ(gone->y, 592);
    for (Insect* i = insect_head; i != nullptr; i = i->next) EXPECT_NE(number_[i], 9);  // removed in frame 950
}

TEST_F(SimulationTest, FiveInsectsAtMostWhileTheGeneratorKeepsDrawing) {
    for (int i = 0; i < max_insects; ++i) spawn_insect();
    const std::uint32_t seed = random_seed;
    // Keep them flying far away from every bound, so none leaves.
    for (Insect* i = insect_head; i != nullptr; i = i->next) i->state = [](Insect*) {};
    run_to(200);
    EXPECT_EQ(insect_count, max_insects);
    std::uint32_t expected = seed;
    for (int i = 0; i < 200; ++i) expected = expected * 214013u + 2531011u;
    EXPECT_EQ(random_seed, expected);  // one draw per frame, never a spawn
}

TEST_F(SimulationTest, ATurnAwayFromTheLampBringsTheInsectNearer) {
    Insect* insect =
        spawned({{&Insect::x, 100}, {&Insect::y, 300}, {&Insect::facing, 0}, {&Insect::dx, -4}, {&Insect::depth, -1}});
    state_turn_finish(insect);
    EXPECT_EQ(insect->facing, 1);
    EXPECT_EQ(insect->dx, 4);
    EXPECT_EQ(insect->x, 136);
    EXPECT_EQ(insect->depth, 0);
    EXPECT_EQ(insect->sprite, fly_set[1]);
    // Over the lamp the depth stays.
    insect->x = 340;
    insect->y = 100;
    state_turn_finish(insect);
    EXPECT_EQ(insect->x, 304);
    EXPECT_EQ(insect->depth, 0);
}

TEST_F(SimulationTest, DeepInsectsCrossTheLampUnharmedAndZapsBeatTurns) {
    Insect* insect = spawned({{&Insect::facing, 0}, {&Insect::dx, -4}, {&Insect::dy, 0}, {&Insect::y, 100}});
    for (int depth : {-2, 2}) {
        insect->depth = depth;
        insect->x = 330;
        insect->frame = 0;
        insect->state = state_fly;
        state_fly(insect);
        EXPECT_EQ(insect->state, state_fly) << depth;
    }
    insect->depth = 0;
    insect->x = 330;
    insect->frame = 6;  // the turn draw comes in this call
    random_seed = 1;
    state_fly(insect);
    EXPECT_EQ(insect->state, state_zap);
    EXPECT_EQ(insect->frame, -1);
}

TEST_F(SimulationTest, StepsAreForcedBackBeyondTheBand) {
    Insect* insect = spawned({{&Insect::x, 300}, {&Insect::depth, -3}, {&Insect::y, 359}, {&Insect::dy, 2}});
    state_fly(insect);
    EXPECT_EQ(insect->y, 361);
    EXPECT_EQ(insect->dy, -1);
    insect->y = 31;
    insect->dy = -2;
    state_fly(insect);
    EXPECT_EQ(insect->y, 29);
    EXPECT_EQ(insect->dy, 1);
}

TEST_F(SimulationTest, RemovalRelinksTheList) {
    for (int i = 0; i < 3; ++i) spawn_insect();
    Insect* a = nth(0);
    Insect* b = nth(1);
    Insect* c = nth(2);
    remove_insect(b);
    EXPECT_EQ(a->next, c);
    EXPECT_EQ(c->prev, a);
    remove_insect(c);
    EXPECT_EQ(insect_tail, a);
    EXPECT_EQ(a->next, nullptr);
    remove_insect(a);
    EXPECT_EQ(insect_head, nullptr);
    EXPECT_EQ(insect_count, 0);
}

// Where the lamp and its zap zone begin, bound by bound, for both facings:
// a frame of 64 x 78 drawn 4 columns off its anchor (left of the anchor
// when facing right, since it is mirrored there).
TEST_F(SimulationTest, TheLampAndTheZapZoneEndExactlyAtTheirBounds) {
    SpriteFrame frame{nullptr, 64, 78, 4, 0};
    struct Zone {
        const char* name;
        std::int32_t (*test)(const Insect*);
        std::int32_t left, right, top, y;  // y: a row well inside
    };
    const Zone zones[] = {
        {"lamp", lamp_overlap_test, 371, 260, 159, 200},
        {"zap zone", zap_zone_test, 341, 310, 120, 150},
    };
    for (const Zone& zone : zones) {
        // Anchors whose frame just reaches a bound, and the step that takes
        // it one pixel past.
        struct Case {
            std::int32_t facing, x, y, dx, dy;
        };
        const Case cases[] = {
            {0, zone.left - 4, zone.y, 1, 0},  {0, zone.right - 68, zone.y, -1, 0}, {0, 300, zone.top + 78, 0, 1},
            {1, zone.left + 68, zone.y, 1, 0}, {1, zone.right + 4, zone.y, -1, 0},
        };
        for (const Case& c : cases) {
            for (std::int32_t past = 0; past < 2; ++past) {
                Insect insect{};
                insect.sprite = &frame;
                insect.facing = c.facing;
                insect.x = c.x + past * c.dx;
                insect.y = c.y + past * c.dy;
                EXPECT_EQ(zone.test(&insect), 1 - past)
                    << zone.name << ", facing " << c.facing << ", at " << insect.x << ", " << insect.y;
            }
        }
    }
    // A frame drawn lower reaches no lower: its height counts up from the anchor.
    frame.y_offset = 11;
    Insect low{};
    low.sprite = &frame;
    low.x = 300;
    low.y = 237;
    EXPECT_EQ(screen_box(&low).top, 237 + 11 - 78);
    EXPECT_EQ(lamp_overlap_test(&low), 1);
}

}  // namespace
