# morvane.mk: GBA graphics sources (.bmp, .cgx, .scr, .col) converted by morvane in a build folder
# and compiled into objects of 4-byte aligned const u16 arrays, with a header for each source.
#
#   MORVANE_SOURCES := $(wildcard gfx/*.bmp gfx/*.cgx gfx/*.scr gfx/*.col)
#   MORVANE_BUILD := build/gfx
#   include /usr/share/morvane/morvane.mk
#
#   CFLAGS += -I$(MORVANE_BUILD)
#   main.o: $(MORVANE_HEADERS)
#   game.elf: main.o $(MORVANE_OBJECTS)
#
# For each source, MORVANE_BUILD gets NAME.c as morvane writes it (NAME: the file's name up to its
# first '.') and NAME.h, which declares its arrays, with their element counts, for C and C++.
# MORVANE_OBJECTS are compiled with $(CC) $(CPPFLAGS) $(CFLAGS). MORVANE names the program
# (default: morvane on the PATH). Nothing is written beside the sources. Two sources that would
# both give NAME.c, and a name with a blank (make splits it into two words), are refused when
# the Makefile is read.

MORVANE ?= morvane
MORVANE_BUILD ?= build/morvane

# The including Makefile's first target stays its default goal.
morvane_default_goal := $(.DEFAULT_GOAL)

# The file's name up to its first '.' (the x keeps a name that begins with '.' from losing it).
morvane_base = $(patsubst x%,%,$(firstword $(subst ., ,x$(notdir $1))))
morvane_lower = $(subst B,b,$(subst M,m,$(subst P,p,$(subst C,c,$(subst G,g,$(subst X,x,$(subst \
  S,s,$(subst R,r,$(subst O,o,$(subst L,l,$1))))))))))
morvane_same = $(and $(findstring $1,$2),$(findstring $2,$1))

morvane_sources := $(sort $(MORVANE_SOURCES))
$(foreach s,$(morvane_sources),$(if $(filter .bmp .cgx .scr .col,$(call morvane_lower,$(suffix $s))),,\
  $(error morvane.mk: $s is not a .bmp, .cgx, .scr or .col file (a name with a blank reaches make\
  as two words, and make cannot name such a file))))
$(foreach s,$(morvane_sources),$(foreach t,$(morvane_sources),$(if $(and $(filter-out $s,$t),\
  $(call morvane_same,$(call morvane_base,$s),$(call morvane_base,$t))),\
  $(error morvane.mk: $s and $t would both become $(call morvane_base,$s).c; rename one of them))))

MORVANE_HEADERS := $(foreach s,$(morvane_sources),$(MORVANE_BUILD)/$(call morvane_base,$s).h)
MORVANE_OBJECTS := $(MORVANE_HEADERS:.h=.aligned.o)
morvane_units := $(MORVANE_HEADERS:.h=.aligned.c)

# A source is converted as a copy in the build folder, since the program writes NAME.c beside
# the file it converts. Its exit status is 0 whatever happens: only a conversion that succeeded
# prints on standard output, so grep passes that line on and fails without it.
define morvane_conversion
$(MORVANE_BUILD)/$(call morvane_base,$1).c: $1
	@mkdir -p $$(@D)
	cp $$< $$(@D)/$(notdir $1)
	$$(MORVANE) $$(@D)/$(notdir $1) | grep .
endef
$(foreach s,$(morvane_sources),$(eval $(call morvane_conversion,$s)))

# The header declares each array of NAME.c from its definition line, "const u16 ARRAY[COUNT]="
# (or with a blank before "="), so the counts agree with the definitions whatever the picture.
$(MORVANE_HEADERS): $(MORVANE_BUILD)/%.h: $(MORVANE_BUILD)/%.c
	{ printf '// The arrays morvane made, for C and C++; they are defined in %s.\n' '$*.c' && \
	  printf '#pragma once\n#ifdef __cplusplus\nextern "C" {\n#endif\n' && \
	  LC_ALL=C sed -n 's/^const u16 \([^[]*\[[0-9]*\]\) *=.*/extern const unsigned short \1 __attribute__((aligned(4)));/p' $< && \
	  printf '#ifdef __cplusplus\n}\n#endif\n'; } >$@.part && mv $@.part $@

# The output names its element type only in a comment; the declarations before it give each
# array its 4-byte alignment (GCC keeps the attributes of an earlier declaration), which 32-bit
# copies of tiles and palettes need; its colour macro stays inside this unit.
$(morvane_units): $(MORVANE_BUILD)/%.aligned.c:
	@mkdir -p $(@D)
	printf '// Compiles %s.c as morvane wrote it, with 4-byte aligned arrays.\n' '$*' >$@.part
	printf 'typedef unsigned short u16;\n#include "%s.h"\n#include "%s.c"\n#undef RGB\n' '$*' '$*' >>$@.part
	mv $@.part $@

$(MORVANE_OBJECTS): $(MORVANE_BUILD)/%.aligned.o: $(MORVANE_BUILD)/%.aligned.c $(MORVANE_BUILD)/%.h $(MORVANE_BUILD)/%.c
	$(CC) $(CPPFLAGS) $(CFLAGS) -c $< -o $@

.DEFAULT_GOAL := $(morvane_default_goal)
