// Deterministic, non-repeating filler for the scroll-capture test pages: a seeded generator, so
// every load of a page shows the same text and no two screens of it look alike.
(function () {
  let seed = 12345;
  function rand() {
    seed = (seed * 1103515245 + 12345) % 2147483648;
    return seed / 2147483648;
  }
  const words = ("capture scroll frame window stitch pixel region browser display page header table column "
    + "content render image picture offset shift border margin padding layout colour gradient shadow text "
    + "line paragraph section heading anchor viewport screen library history editor layer arrow mosaic "
    + "number value report summary detail record entry origin target process thread queue signal event "
    + "north south river mountain forest valley harbour station market bridge garden tower castle island")
    .split(" ");
  function word() { return words[Math.floor(rand() * words.length)]; }
  function sentence() {
    const n = 6 + Math.floor(rand() * 14);
    const out = [];
    for (let i = 0; i < n; i++) out.push(word());
    const s = out.join(" ");
    return s.charAt(0).toUpperCase() + s.slice(1) + (rand() < 0.2 ? " " + Math.floor(rand() * 100000) : "") + ".";
  }
  window.meboFill = {
    rand: rand,
    word: word,
    sentence: sentence,
    paragraph: function () {
      const n = 2 + Math.floor(rand() * 6);
      const out = [];
      for (let i = 0; i < n; i++) out.push(sentence());
      return out.join(" ");
    },
  };
})();
