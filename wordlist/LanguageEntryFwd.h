#pragma once
struct LanguageEntry;
