SELECT d.FContractNo AS FBillNo,de.FContractID AS FInterID,de.FEntryID,CASE WHEN d.FItemClassID =1 THEN tg.FName ELSE ts.FName END AS FSupplyName,t.FNumber AS FItemNumber,t.FName AS FItemName,
de.FQuantity AS FAuxQty,de.FPriceFor AS FAuxPrice,de.FTaxPriceFor AS FAuxTaxPrice,de.FTaxFor AS FTaxAmount,de.FAmount,de.FTaxRate AS FTaxRate,de.FAmountFor FAmount,de.FAmountIncludeTaxFor AS FAllAmount,de.FReceiveAmountFor FCommitAmt FROM t_RPContract d
INNER JOIN t_RPContractEntry de ON d.FContractID = de.FContractID
INNER JOIN t_ICItemCore t ON t.FItemID = de.FProductID
LEFT JOIN t_Supplier ts ON ts.FItemID = d.FCustomer
LEFT JOIN t_Organization tg ON tg.FItemID = d.FCustomer
Where d.FClassTypeID=1000019 AND d.FCancellation =0 And de.FInvoiceQty_Relative=0 AND (de.FTaxRate = 17 OR de.FTaxRate = 11) AND d.FDate<'2018-05-01'
