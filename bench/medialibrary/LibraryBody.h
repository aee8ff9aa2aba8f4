#pragma once

// The library body both library benchmarks send: `count` titles from a fixed seed, so runs compare.

#include <random>
#include <string>

inline std::string makeLibraryBody(int count)
{
    static const char* const words[] = {"Night", "Return", "Storm", "Empire", "Ocean", "Shadow", "Garden",
                                        "Élan",  "Last",   "River", "Secret", "City",  "Dragon", "Winter"};
    std::mt19937 random(42);
    std::uniform_int_distribution<int> word(0, 13);
    std::string body = R"({"mediaList":{"media":[)";
    for (int i = 0; i < count; ++i) {
        if (i)
            body += ',';
        std::string title =
            std::string(words[word(random)]) + " " + words[word(random)] + " " + std::to_string(i);
        body += R"({"title":")" + title + R"(","releaseDate":")" + std::to_string(1950 + i % 70) + "-0" +
                std::to_string(1 + i % 9) + R"(-15","imdbRef":"tt)" + std::to_string(1000000 + i) +
                R"(","duration":")" + std::to_string(80 + i % 90) +
                R"(","cut":"Theatrical","language":"en"})";
    }
    return body + "]}}";
}
