// The last lines of kueruma.js: the page learns that the whole game script ran (a file cut
// short or damaged stops before them).
kuerumaPage.gameScriptRan();
